#include "messages/UPelkUpdaterMessages.h"

#include "base/ContextMenuKey.h"
#include "base/ErrorBox.h"
#include "base/FailureMessage.h"
#include "base/FocusFrame.h"
#include "base/PelkError.h"
#include "base/PelkFonts.h"
#include "base/WindowParts.h"
#include "i18n/Languages.h"
#include "i18n/Mnemonics.h"
#include "i18n/WindowTitle.h"
#include "messages/MessageList.h"
#include "messages/MessageListModel.h"
#include "messages/MessagePage.h"
#include "messages/MessagePageModule.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "base/Clock.h"
#include "sysinfo/InstallationData.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The layout's client area; the store keeps the outer size, which adds a fixed frame
// allowance, so that a stored size comes back the same whatever frame the desktop draws.
constexpr int kClientWidth = 990;
constexpr int kClientHeight = 640;
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 38;
constexpr int kMinOuterWidth = 600;

constexpr int kMargin = 8;
constexpr int kMainTop = 64;
constexpr int kMainBottomMargin = 45;
constexpr int kListHeight = 177;
constexpr int kListMinHeight = 100;
constexpr int kSplitterHeight = 3;
constexpr int kPageMinHeight = 30;
constexpr int kMinClientHeight = kMainTop + kListMinHeight + kSplitterHeight + kPageMinHeight + kMainBottomMargin;

constexpr int kSummaryMinWidth = 300;
// Summary is 700 in the layout, which the window's design width exceeds: it stretches to
// the list's width from its minimum.
constexpr int kColumnWidths[] = {90, 20, 100, kSummaryMinWidth};

// A message shown for longer than this counts as read.
constexpr quint32 kReadAfterMs = 2000;
// ShownTick of a message whose state the user has set by hand.
constexpr quint32 kNoTick = 0xFFFFFFFFu;

// The product mark at the top right, 76 x 14.
QPixmap logoPicture()
{
    QPixmap picture(76, 14);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x00, 0x91, 0xDC));
    painter.drawEllipse(QRectF(1, 1, 12, 12));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(4.5, 4.5, 5, 5));
    QFont font = PelkFont(13);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x4D, 0x4D, 0x4D));
    painter.drawText(QRect(17, 0, 59, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ORBEL"));
    return picture;
}

// Whether Tab may stop on `widget`, or on the widget it hands its focus to.
bool takesTabFocus(QWidget *widget)
{
    while (widget && widget->focusProxy())
        widget = widget->focusProxy();
    return widget && widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus);
}

} // namespace

TFPelkUpdaterMessages::TFPelkUpdaterMessages(RegistryStore &store, const InstallationData &installation,
                                             const Clock &clock, UrlOpener &urlOpener, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_store(store),
      m_installation(installation),
      m_clock(clock),
      m_urlOpener(urlOpener),
      m_pageFactory(MessagePageModuleFactory(MessagePageModulePath()))
{
    setObjectName(QStringLiteral("TFPelkUpdaterMessages"));
    // While it is open no other window of the program takes input, for the window system too.
    setWindowModality(Qt::ApplicationModal);
    buildLayout();
    FormCreate();
}

TFPelkUpdaterMessages::~TFPelkUpdaterMessages()
{
    FormDestroy();
}

void TFPelkUpdaterMessages::buildLayout()
{
    setFont(PelkFont(13));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setMinimumSize(kMinOuterWidth - kFrameWidth, kMinClientHeight);
    resize(kClientWidth, kClientHeight);

    QFont titleFont = PelkFont(19);
    titleFont.setBold(true);
    m_lTitle = MakePlainLabel(this, "LTitle", titleFont);
    m_lHeader = MakePlainLabel(this, "LHeader", PelkFont(13));
    // Its picture is drawn at the first show: a run that never shows the window skips it.
    m_image2 = named(new QLabel(this), "Image2");

    m_pMain = named(new QWidget(this), "PMain");
    m_splitter1 = named(new QSplitter(Qt::Vertical, m_pMain), "Splitter1");
    m_splitter1->setChildrenCollapsible(false);
    m_splitter1->setHandleWidth(kSplitterHeight);
    auto *mainLayout = new QVBoxLayout(m_pMain);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->addWidget(m_splitter1);

    m_lvMsg = named(new QTreeView(m_splitter1), "LVMsg");
    // The introduction line is the list's label: its mnemonic and a screen reader lead here.
    m_lHeader->setBuddy(m_lvMsg);
    m_model = new MessageListModel(this);
    m_lvMsg->setModel(m_model);
    m_lvMsg->setMinimumHeight(kListMinHeight);
    m_lvMsg->setRootIsDecorated(false);
    m_lvMsg->setItemsExpandable(false);
    m_lvMsg->setUniformRowHeights(true);
    m_lvMsg->setAllColumnsShowFocus(true);
    m_lvMsg->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvMsg->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lvMsg->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvMsg->setSortingEnabled(false);
    m_lvMsg->setTextElideMode(Qt::ElideRight);
    m_lvMsg->setContextMenuPolicy(Qt::CustomContextMenu);
    m_lvMsg->installEventFilter(new ContextMenuKey(m_lvMsg));
    // The selection looks the same with and without the focus; the frame tells.
    new FocusFrame(m_lvMsg);
    // The selection stays as visible when the list loses the focus.
    QPalette listPalette = m_lvMsg->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        listPalette.setBrush(QPalette::Inactive, role, listPalette.brush(QPalette::Active, role));
    m_lvMsg->setPalette(listPalette);

    QHeaderView *header = m_lvMsg->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    // The Summary column takes whatever width the fixed columns leave, never less than its minimum.
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(kColumnWidths[MessageListModel::PrioColumn]);
    for (int column = 0; column < MessageListModel::ColumnCount; ++column) {
        header->setSectionResizeMode(column, column == MessageListModel::SummaryColumn ? QHeaderView::Interactive
                                                                                       : QHeaderView::Fixed);
        header->resizeSection(column, kColumnWidths[column]);
    }
    connect(header, &QHeaderView::sectionResized, this, [header](int column, int, int size) {
        if (column == MessageListModel::SummaryColumn && size < kSummaryMinWidth)
            header->resizeSection(column, kSummaryMinWidth);
    });

    m_pBottom = named(new QFrame(m_splitter1), "PBottom");
    m_pBottom->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_pBottom->setLineWidth(1);
    m_pBottom->setMinimumHeight(kPageMinHeight);
    auto *bottomLayout = new QVBoxLayout(m_pBottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);

    m_splitter1->addWidget(m_lvMsg);
    m_splitter1->addWidget(m_pBottom);
    // The list keeps its height when the window is resized, as a list docked at the top does.
    m_splitter1->setStretchFactor(0, 0);
    m_splitter1->setStretchFactor(1, 1);
    if (QSplitterHandle *handle = m_splitter1->handle(1)) {
        handle->setAutoFillBackground(true);
        QPalette handlePalette = handle->palette();
        handlePalette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
        handle->setPalette(handlePalette);
    }

    m_cbAutoUpdate = named(new QCheckBox(this), "CBAutoUpdate");
    m_cbAutoUpdate->setChecked(true);
    m_buClose = named(new QPushButton(this), "BuClose");
    m_buClose->setDefault(true);

    m_pmItem = named(new QMenu(this), "PMItem");
    m_miMarkAsRead = named(m_pmItem->addAction(QString()), "MIMarkAsRead");
    m_miMarkAsUnread = named(m_pmItem->addAction(QString()), "MIMarkAsUnread");

    setTabOrder(m_lvMsg, m_cbAutoUpdate);
    setTabOrder(m_cbAutoUpdate, m_buClose);

    connect(m_lvMsg->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { RunHandler(this, [this] { LVMsgSelectItem(); }); });
    connect(m_lvMsg, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &position) { RunHandler(this, [this, position] { LVMsgContextPopup(position); }); });
    connect(m_miMarkAsRead, &QAction::triggered, this, [this] { RunHandler(this, [this] { MIMarkAsReadClick(); }); });
    connect(m_miMarkAsUnread, &QAction::triggered, this, [this] { RunHandler(this, [this] { MIMarkAsUnreadClick(); }); });
    connect(m_buClose, &QPushButton::clicked, this, [this] { RunHandler(this, [this] { BuCloseClick(); }); });

    layoutControls();
}

void TFPelkUpdaterMessages::layoutControls()
{
    const int w = width();
    const int h = height();
    m_image2->setGeometry(w - 16 - 76, 27, 76, 14);
    m_lTitle->setGeometry(kMargin, kMargin, qMax(0, m_image2->x() - 2 * kMargin), 28);
    m_lHeader->setGeometry(kMargin, 40, qMax(0, w - 2 * kMargin), 20);
    m_pMain->setGeometry(kMargin, kMainTop, qMax(0, w - 2 * kMargin), qMax(0, h - kMainTop - kMainBottomMargin));

    const int buttonTop = h - kMargin - 25;
    m_buClose->setGeometry(w - 10 - 125, buttonTop, 125, 25);
    const int boxHeight = qMax(17, m_cbAutoUpdate->sizeHint().height());
    const int boxWidth = qMin(qMax(313, m_cbAutoUpdate->sizeHint().width()), qMax(0, m_buClose->x() - 2 * kMargin));
    m_cbAutoUpdate->setGeometry(kMargin, buttonTop + (25 - boxHeight) / 2, boxWidth, boxHeight);
}

void TFPelkUpdaterMessages::applyListHeight(int height)
{
    m_pMain->layout()->activate();
    const int available = m_splitter1->height() - m_splitter1->handleWidth();
    m_splitter1->setSizes({height, qMax(0, available - height)});
}

QSize TFPelkUpdaterMessages::outerSize() const
{
    return QSize(width() + kFrameWidth, height() + kFrameHeight);
}

void TFPelkUpdaterMessages::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layoutControls();
}

void TFPelkUpdaterMessages::FormCreate()
{
    int listHeight = kListHeight;
    try {
        const MessagesGeometry geometry = ReadMessagesGeometry(m_store);
        // A stored size never makes the window larger than the desktop (or its layout size):
        // a damaged value must not ask the window system for a gigantic window.
        QSize limit(kClientWidth, kClientHeight);
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            limit = limit.expandedTo(screen->virtualSize());
        QSize client = size();
        if (geometry.Width)
            client.setWidth(qMin(*geometry.Width - kFrameWidth, limit.width()));
        if (geometry.Height)
            client.setHeight(qMin(*geometry.Height - kFrameHeight, limit.height()));
        resize(client.expandedTo(minimumSize()));
        if (geometry.Splitter)
            listHeight = *geometry.Splitter;
    } catch (...) {
        // A value of another type, or any other failure to read it, leaves the layout size.
    }
    layoutControls();
    applyListHeight(listHeight);
}

void TFPelkUpdaterMessages::FormDestroy()
{
    // Taking the rows down must not run any behaviour.
    disconnect(m_lvMsg->selectionModel(), nullptr, this, nullptr);
    if (m_wbMsg)
        m_wbMsg->setFailureHandler(nullptr);
    // Only a size the user could see and change is worth keeping.
    if (!m_everShown)
        return;
    try {
        const QSize outer = outerSize();
        WriteMessagesGeometry(m_store, outer.width(), outer.height(), m_lvMsg->height());
    } catch (...) {
        // The geometry is a convenience; failing to keep it is not worth a word at the end.
    }
}

void TFPelkUpdaterMessages::applyTexts(const Languages &languages)
{
    SetLiteralWindowTitle(*this, ComposeWindowTitle(languages, "txtMessages"));
    m_lTitle->setText(WithoutMnemonicMarks(languages.WindowText("txtMessages")));
    m_lHeader->setText(languages.WindowText("txtMessagesLong") + QLatin1Char(':'));
    m_lvMsg->setAccessibleName(WithoutMnemonicMarks(m_lHeader->text()));
    m_buClose->setText(languages.WindowText("txtClose"));
    m_infoText = languages.WindowText("txtInfo");
    m_updateText = languages.WindowText("txtUpdate");
    m_newText = languages.WindowText("txtNew");
    m_model->setUnreadDescription(m_newText);
    m_autoUpdateText = languages.WindowText("txtAutoUpdateCheck");
    m_setByAdministrator = languages.GetTextOrBuiltIn("txtSetByAdministrator");
    applyAutoUpdateLock();
    m_model->setHeading(MessageListModel::DateColumn, WithoutMnemonicMarks(languages.WindowText("txtDate")));
    m_model->setHeading(MessageListModel::TypeColumn, WithoutMnemonicMarks(languages.WindowText("txtType")));
    m_model->setHeading(MessageListModel::SummaryColumn, WithoutMnemonicMarks(languages.WindowText("txtSummary")));
    m_miMarkAsRead->setText(languages.WindowText("txtMarkAsRead"));
    m_miMarkAsUnread->setText(languages.WindowText("txtMarkAsUnread"));
    layoutControls();
}

void TFPelkUpdaterMessages::setFeed(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds)
{
    m_msgFeed = feed;
    m_seenMsgIDs.assign(seenIds);
}

void TFPelkUpdaterMessages::ShowFeed(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds)
{
    setFeed(feed, seenIds);
    exec();
}

void TFPelkUpdaterMessages::setVisible(bool visible)
{
    // The page view draws through an OpenGL child that it makes with its first page. Added to a
    // window whose native window exists already, that child makes Qt replace the native window,
    // and the replacement comes up without its modality (for Qt and for the window manager).
    // So the view and its first (blank) page are made before the native window.
    if (visible && !m_wbMsg && !m_pageUnavailable && !isVisible()) {
        RunHandler(this, [this] { createPageDisplay(); });
        if (m_wbMsg)
            m_wbMsg->showBlank();
    }
    QDialog::setVisible(visible);
}

void TFPelkUpdaterMessages::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_everShown = true;
    if (event->spontaneous())
        return;
    centreOnScreen();
    if (m_image2->pixmap().isNull())
        m_image2->setPixmap(logoPicture());
    FormShow();
}

void TFPelkUpdaterMessages::createPageDisplay()
{
    // The HTML engine starts only when a page is first needed, not with the program.
    // Without it the window still lists and marks the messages.
    try {
        m_wbMsg = m_pageFactory(m_urlOpener, m_pBottom);
    } catch (...) {
        pageFailed(CurrentFailureMessage());
        return;
    }
    m_wbMsg->setFailureHandler([this](const QString &message) { pageFailed(message); });
    QWidget *view = named(m_wbMsg->widget(), "WBMsg");
    m_pBottom->layout()->addWidget(view);
}

bool TFPelkUpdaterMessages::focusNextPrevChild(bool next)
{
    // The page engine makes its widget late, at the end of the tab chain; Tab follows the
    // screen instead: list, page, check box, Close.
    QWidget *page = m_wbMsg && !m_pageUnavailable ? m_wbMsg->widget() : nullptr;
    const QList<QWidget *> stops{m_lvMsg, page, m_cbAutoUpdate, m_buClose};
    const QWidget *current = QApplication::focusWidget();
    const auto at = std::find_if(stops.begin(), stops.end(), [current](const QWidget *stop) {
        return stop && current && (stop == current || stop->isAncestorOf(current));
    });
    if (at == stops.end())
        return QDialog::focusNextPrevChild(next);
    const qsizetype count = stops.size();
    for (qsizetype step = 1; step < count; ++step) {
        QWidget *stop = stops.at(((at - stops.begin()) + (next ? step : count - step)) % count);
        if (takesTabFocus(stop)) {
            stop->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

void TFPelkUpdaterMessages::pageFailed(const QString &message)
{
    // Said once: the window goes on without its page for the rest of the run.
    if (m_pageUnavailable)
        return;
    m_pageUnavailable = true;
    if (m_wbMsg)
        m_wbMsg->widget()->hide();
    reportLater(message);
}

void TFPelkUpdaterMessages::centreOnScreen()
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Large text scales the window; it still fits the screen, down to its minimum size.
    resize(FittedClientSize(*screen, size()).expandedTo(minimumSize()));
    CentreOnScreen(*this, *screen, outerSize());
}

void TFPelkUpdaterMessages::reportLater(const QString &message)
{
    // While the window is being shown the box waits until the window is up behind it.
    QMetaObject::invokeMethod(
        this, [this, message] { ShowErrorBox(this, message); }, Qt::QueuedConnection);
}

void TFPelkUpdaterMessages::applyAutoUpdateLock()
{
    // A wish the administrator has fixed is shown, with who set it, but cannot be changed.
    const bool locked = m_store.isLocked(QStringLiteral("AutoUpdate"));
    m_cbAutoUpdate->setEnabled(!locked);
    m_cbAutoUpdate->setText(locked ? m_autoUpdateText + QStringLiteral(" (") + m_setByAdministrator + QLatin1Char(')')
                                   : m_autoUpdateText);
    m_cbAutoUpdate->setToolTip(locked ? m_setByAdministrator : QString());
    layoutControls();
}

void TFPelkUpdaterMessages::FormShow()
{
    m_lvMsg->setFocus();
    bool autoUpdate = false;
    try {
        autoUpdate = ReadAutoUpdate(m_store, m_installation.ProgVersion);
    } catch (...) {
        reportLater(CurrentFailureMessage());
    }
    m_cbAutoUpdate->setChecked(autoUpdate);
    applyAutoUpdateLock();
    try {
        FillMsgList();
    } catch (...) {
        reportLater(CurrentFailureMessage());
    }
}

void TFPelkUpdaterMessages::FillMsgList()
{
    m_shownItem = -1;
    m_model->clear();
    m_msgRecords.clear();

    MessageList list = BuildMessageList(m_msgFeed.get(), m_seenMsgIDs, {m_infoText, m_updateText, m_newText});
    m_msgRecords = std::move(list.Records);
    m_model->setRows(std::move(list.Rows), &m_msgRecords);

    if (m_model->rowCount() > 0) {
        m_lvMsg->scrollToTop();
        m_lvMsg->selectionModel()->setCurrentIndex(m_model->index(0, 0),
                                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        ShowMsgPage(nullptr);
    }
    if (!list.FirstError.isEmpty())
        throw PelkError(list.FirstError);
}

TMessageData &TFPelkUpdaterMessages::recordOfRow(int row)
{
    return m_msgRecords.at(m_model->recordIndex(row));
}

int TFPelkUpdaterMessages::singleSelectedRow() const
{
    // Read from the selection's ranges, so that a long selection costs nothing here.
    int row = -1;
    for (const QItemSelectionRange &range : m_lvMsg->selectionModel()->selection()) {
        if (!range.isValid())
            continue;
        if (range.top() != range.bottom() || (row >= 0 && row != range.top()))
            return -1;
        row = range.top();
    }
    return row;
}

QList<int> TFPelkUpdaterMessages::selectedRowsInOrder() const
{
    QList<int> rows;
    for (const QItemSelectionRange &range : m_lvMsg->selectionModel()->selection()) {
        if (!range.isValid())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void TFPelkUpdaterMessages::LVMsgSelectItem()
{
    const int selected = singleSelectedRow();
    if (m_shownItem >= 0 && selected != m_shownItem) {
        // The shown message leaves the single selection: read when it was shown long enough.
        const int shown = m_shownItem;
        m_shownItem = -1;
        if (m_shownTick != kNoTick && quint32(m_clock.tickCount() - m_shownTick) > kReadAfterMs) {
            TMessageData &record = recordOfRow(shown);
            record.IsUnread = false;
            AddSeenMsgID(record.MsgID);
            m_model->recordChanged(shown);
        }
        if (selected < 0)
            ShowMsgPage(nullptr);
    }
    if (selected >= 0 && selected != m_shownItem) {
        m_shownItem = selected;
        ShowMsgPage(&recordOfRow(selected));
        m_shownTick = m_clock.tickCount();
    }
}

void TFPelkUpdaterMessages::ShowMsgPage(const TMessageData *record)
{
    if (!m_wbMsg || m_pageUnavailable)
        return;
    if (!record || record->MsgID.isEmpty() || !m_msgFeed) {
        m_wbMsg->showBlank();
        return;
    }
    const pugi::xpath_node_set messages = SelectNodes(*m_msgFeed, QStringLiteral("/messages/message"));
    m_wbMsg->showPage(MsgPageHtml(record->FeedIndex < messages.size() ? messages[record->FeedIndex].node()
                                                                      : pugi::xml_node()));
}

void TFPelkUpdaterMessages::LVMsgContextPopup(const QPoint &position)
{
    const QList<int> rows = selectedRowsInOrder();
    if (rows.isEmpty())
        return;
    bool anyUnread = false;
    bool anyRead = false;
    for (const int row : rows) {
        const bool unread = recordOfRow(row).IsUnread;
        anyUnread = anyUnread || unread;
        anyRead = anyRead || !unread;
    }
    m_miMarkAsRead->setVisible(anyUnread);
    m_miMarkAsUnread->setVisible(anyRead);
    m_pmItem->popup(m_lvMsg->viewport()->mapToGlobal(position));
}

void TFPelkUpdaterMessages::MIMarkAsReadClick()
{
    markSelected(false);
}

void TFPelkUpdaterMessages::MIMarkAsUnreadClick()
{
    markSelected(true);
}

void TFPelkUpdaterMessages::markSelected(bool unread)
{
    QList<QByteArray> ids;
    for (const int row : selectedRowsInOrder()) {
        TMessageData &record = recordOfRow(row);
        record.IsUnread = unread;
        ids.append(record.MsgID);
    }
    if (unread)
        m_seenMsgIDs.removeAll(ids);
    else
        m_seenMsgIDs.addAll(ids);
    // A state set by hand is not changed again by the time the message is shown.
    m_shownTick = kNoTick;
    m_model->recordsChanged();
    // The focus comes back from the menu to the row: a screen reader reads it anew, with its
    // new state, once the menu has gone.
    QMetaObject::invokeMethod(this, [this] { announceCurrentRow(); }, Qt::QueuedConnection);
}

void TFPelkUpdaterMessages::announceCurrentRow()
{
    if (!QAccessible::isActive() || !m_lvMsg->hasFocus())
        return;
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(m_lvMsg);
    if (QAccessibleInterface *row = list ? list->focusChild() : nullptr) {
        QAccessibleEvent focus(row, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void TFPelkUpdaterMessages::BuCloseClick()
{
    close();
}

void TFPelkUpdaterMessages::done(int result)
{
    // Every way of closing (the button, the close box, Esc, the system) comes here.
    if (isVisible())
        FormClose();
    QDialog::done(result);
}

void TFPelkUpdaterMessages::FormClose()
{
    // One by one, as the user could: the shown message may become read on its way out.
    QItemSelectionModel *selection = m_lvMsg->selectionModel();
    for (const int row : selectedRowsInOrder())
        selection->select(m_model->index(row, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);

    // Both values are stored even when one of them fails; the window closes all the same,
    // so that a store that cannot be written never keeps the user in here.
    QString firstError;
    try {
        WriteAutoUpdate(m_store, m_installation.ProgVersion, m_cbAutoUpdate->isChecked());
    } catch (...) {
        firstError = CurrentFailureMessage();
    }
    try {
        SaveOldMsgIds(m_store, m_installation.ProgVersion, m_seenMsgIDs.items());
    } catch (...) {
        if (firstError.isEmpty())
            firstError = CurrentFailureMessage();
    }
    if (!firstError.isEmpty())
        ShowErrorBox(this, firstError);
}

void TFPelkUpdaterMessages::AddSeenMsgID(const QByteArray &id)
{
    m_seenMsgIDs.add(id);
}
