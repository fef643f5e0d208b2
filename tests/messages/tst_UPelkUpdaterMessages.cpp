// The messages window, offscreen, with a real page view, a real store file, a clock the
// tests drive and a recorder in place of the user's browser: filling, selection and the
// 2000 ms rule, marking, closing, geometry, texts, and the page with its lock-down.

#include "base/ErrorBox.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "i18n/QtTranslations.h"
#include "messages/MessagePageModule.h"
#include "messages/MessagePageScheme.h"
#include "messages/MessagePageView.h"
#include "messages/MessageWebPage.h"
#include "messages/UPelkUpdaterMessages.h"
#include "messages/UrlOpener.h"
#include "settings/PolicyStore.h"
#include "settings/RegFileStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "base/Clock.h"
#include "sysinfo/InstallationData.h"
#include "support/TestHttpServer.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <qpa/qwindowsysteminterface.h>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>

#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <memory>
#include <signal.h>

namespace {
class FakeClock : public Clock
{
public:
    quint32 tickCount() const override { return tick; }
    QDateTime localNow() const override { return QDateTime(QDate(2026, 12, 7), QTime(10, 0)); }
    quint32 tick = 1000;
};

class RecordingUrlOpener : public UrlOpener
{
public:
    void openUrl(const QUrl &url) override { opened.append(url); }
    QList<QUrl> opened;
};

// Catches anything that would reach the desktop's URL handlers past the window's opener.
class DesktopHandlerRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void openUrl(const QUrl &url) { opened.append(url); }
};

// Answers every error box that comes up and keeps its text.
class ErrorBoxWatcher : public QObject
{
public:
    ErrorBoxWatcher()
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(widget);
                if (box && box->isVisible() && box->objectName() == QLatin1String("ErrorBox")) {
                    texts.append(box->text());
                    box->accept();
                }
            }
        });
        m_timer.start();
    }
    QStringList texts;

private:
    QTimer m_timer;
};

struct Msg
{
    Msg(QByteArray id, QByteArray title, QByteArray extra = QByteArray(), QByteArray desc = "<p>body</p>")
        : id(std::move(id)), title(std::move(title)), extra(std::move(extra)), desc(std::move(desc))
    {
    }
    QByteArray id;
    QByteArray title;
    QByteArray extra; // further attributes of the message element
    QByteArray desc;
};

QByteArray xmlEscaped(const QByteArray &text)
{
    return QString::fromUtf8(text).toHtmlEscaped().toUtf8();
}

QByteArray feedXml(const QList<Msg> &messages)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messages>\n";
    for (const Msg &m : messages) {
        const QByteArray type = m.extra.contains("type=") ? QByteArray() : QByteArray("type=\"info\" ");
        xml += "<message id=\"" + xmlEscaped(m.id) + "\" date=\"20261207\" " + type + m.extra + "><title>"
            + xmlEscaped(m.title) + "</title><desc>" + xmlEscaped(m.desc) + "</desc></message>\n";
    }
    return xml + "</messages>\n";
}

// A link or button that covers the whole page, so that a click anywhere hits it.
QByteArray coveringLink(const QByteArray &href, const QByteArray &attributes = QByteArray())
{
    return "<a href=\"" + href + "\" " + attributes
        + " style=\"position:fixed;left:0;top:0;width:100%;height:100%;display:block;padding:0\">go</a>";
}
} // namespace

class tst_UPelkUpdaterMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void pageEngineStartsOnlyWithTheFirstShow();
    void pageThatCannotShowLeavesTheListWorking_data();
    void pageThatCannotShowLeavesTheListWorking();
    void firstShowLayout();
    void storedGeometryKeepsMinimums_data();
    void storedGeometryKeepsMinimums();
    void hugeStoredSizeStaysOnTheDesktop();
    void centredEachShow();
    void geometryStoredWhenWindowGoes();
    void rowsInReverseOrderFirstSelected();
    void autoUpdateFromStore_data();
    void autoUpdateFromStore();
    void unreadBoldHighPriorityBlue();
    void readAfterMoreThan2000ms_data();
    void readAfterMoreThan2000ms();
    void markedUnreadStaysUnreadWhenMovingOn();
    void menuEntriesFollowSelection_data();
    void menuEntriesFollowSelection();
    void markReadAndUnreadFromMenu();
    void closingStoresSeenListAndAutoUpdate_data();
    void closingStoresSeenListAndAutoUpdate();
    void closingEarlyLeavesMessageUnread();
    void showFeedIsModalAndRefills();
    void badDateShowsErrorBoxAndListsEverything();
    void textsApplied();
    void pageOfSelectedMessage();
    void twoRowsSelectedShowBlankPage();
    void lastSelectionWins();
    void eachRowFindsItsOwnMessage();
    void linkClickOpensBrowserOnce_data();
    void linkClickOpensBrowserOnce();
    void hostileNavigationsOpenNothing_data();
    void hostileNavigationsOpenNothing();
    void scriptsDoNotRun();
    void pageLoadsNothingFromTheNetwork_data();
    void pageLoadsNothingFromTheNetwork();
    void inlineDataPictureShows();
    void refreshDoesNothing();
    void pageContextMenuOffersNoNavigation_data();
    void pageContextMenuOffersNoNavigation();
    void droppingOnThePageDoesNothing();
    void pageOverTwoMegabytesShows();
    void readableToScreenReaders_data();
    void readableToScreenReaders();
    void screenshot();

private:
    void createWindow();
    void showWith(const QList<Msg> &messages, const QList<QByteArray> &seen = {});
    QTreeView *list() const { return child<QTreeView>("LVMsg"); }
    MessagePageView *view() const { return dynamic_cast<MessagePageView *>(m_window->pageDisplay()); }
    template <typename T> T *child(const char *name) const
    {
        T *widget = m_window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("missing control %s", name);
        return widget;
    }
    void applyEnglishTexts();
    void applyTexts(const QByteArray &language);
    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    bool waitForPage();
    bool rowIsBold(int row) const;
    QList<int> selectedRows() const;
    QString pageTitle() const;
    void clickPageCentre(Qt::MouseButton button = Qt::LeftButton);
    QList<QByteArray> storedSeenIds();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegFileStore> m_store;
    InstallationData m_installation;
    FakeClock m_clock;
    RecordingUrlOpener m_opener;
    std::unique_ptr<TFPelkUpdaterMessages> m_window;
    std::unique_ptr<ErrorBoxWatcher> m_errors;
    DesktopHandlerRecorder m_desktop;
};

void tst_UPelkUpdaterMessages::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<RegFileStore>(m_dir->filePath(QStringLiteral("user.reg")),
                                             m_dir->filePath(QStringLiteral("machine.reg")));
    m_installation = InstallationData();
    m_installation.ProgVersion = QStringLiteral("5.2.1.7");
    m_clock.tick = 1000;
    m_opener.opened.clear();
    m_desktop.opened.clear();
    for (const char *scheme : {"http", "https", "mailto", "file", "foo"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &m_desktop, "openUrl");
    m_errors = std::make_unique<ErrorBoxWatcher>();
    SetApplicationTitle(QStringLiteral("Orbel - Catalog - Check for Updates"));
}

void tst_UPelkUpdaterMessages::initTestCase()
{
    // A screen of a common size, on which the window's layout size fits: the offscreen
    // platform's 800 x 600 is smaller.
    const QRect common(0, 0, 1280, 1024);
    QWindowSystemInterface::handleScreenGeometryChange(QGuiApplication::primaryScreen(), common, common);
    QWindowSystemInterface::flushWindowSystemEvents();
}

void tst_UPelkUpdaterMessages::cleanup()
{
    m_window.reset();
    for (const char *scheme : {"http", "https", "mailto", "file", "foo"})
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    QCOMPARE(m_desktop.opened, QList<QUrl>());
    m_errors.reset();
    m_store.reset();
    m_dir.reset();
}

void tst_UPelkUpdaterMessages::createWindow()
{
    m_window = std::make_unique<TFPelkUpdaterMessages>(*m_store, m_installation, m_clock, m_opener);
    m_window->setPageFactory(MessagePageView::factory());
}

void tst_UPelkUpdaterMessages::showWith(const QList<Msg> &messages, const QList<QByteArray> &seen)
{
    if (!m_window)
        createWindow();
    m_window->setFeed(ParseXmlText(feedXml(messages)), seen);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_UPelkUpdaterMessages::clickRow(int row, Qt::KeyboardModifiers modifiers)
{
    const QRect rect = list()->visualRect(list()->model()->index(row, 3));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, modifiers, rect.center());
}

bool tst_UPelkUpdaterMessages::waitForPage()
{
    return QTest::qWaitFor([this] { return view() && view()->isLoadFinished(); }, 15000);
}

bool tst_UPelkUpdaterMessages::rowIsBold(int row) const
{
    const QVariant font = list()->model()->index(row, 0).data(Qt::FontRole);
    return font.isValid() && qvariant_cast<QFont>(font).bold();
}

QList<int> tst_UPelkUpdaterMessages::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : list()->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString tst_UPelkUpdaterMessages::pageTitle() const
{
    return view()->page()->title();
}

void tst_UPelkUpdaterMessages::clickPageCentre(Qt::MouseButton button)
{
    QWidget *target = view()->focusProxy() ? view()->focusProxy() : view();
    // The first frame of the page must be laid out before a click can hit anything.
    QTest::qWait(300);
    QTest::mouseClick(target, button, Qt::NoModifier, QPoint(target->width() / 2, target->height() / 2));
}

QList<QByteArray> tst_UPelkUpdaterMessages::storedSeenIds()
{
    RegFileStore store(m_store->userFile(), m_store->machineFile());
    QList<QByteArray> ids;
    LoadOldMsgIds(store, m_installation.ProgVersion, ids);
    return ids;
}

void tst_UPelkUpdaterMessages::pageEngineStartsOnlyWithTheFirstShow()
{
    createWindow();
    QVERIFY(!m_window->findChild<QWebEngineView *>());
    QVERIFY(!m_window->findChild<QWebEngineProfile *>());
    QVERIFY(!m_window->pageDisplay());
    showWith({{"a", "A"}});
    QVERIFY(view());
    QCOMPARE(m_window->findChild<QWebEngineView *>(QStringLiteral("WBMsg")), view());
    QWebEngineProfile *profile = view()->page()->profile();
    QVERIFY(profile->isOffTheRecord());
    QVERIFY(profile != QWebEngineProfile::defaultProfile());
}

void tst_UPelkUpdaterMessages::pageThatCannotShowLeavesTheListWorking_data()
{
    QTest::addColumn<bool>("moduleMissing");
    QTest::addColumn<QString>("error");
    QTest::newRow("module missing") << true << QStringLiteral("Error loading %1/PelkMessagePage.so.");
    QTest::newRow("page process killed")
        << false << QStringLiteral("The message page cannot be shown: the HTML engine's page process was killed");
}

void tst_UPelkUpdaterMessages::pageThatCannotShowLeavesTheListWorking()
{
    QFETCH(bool, moduleMissing);
    QFETCH(QString, error);
    createWindow();
    if (moduleMissing) {
        m_window->setPageFactory(MessagePageModuleFactory(m_dir->filePath(QStringLiteral("PelkMessagePage.so"))));
        error = error.arg(m_dir->path());
    }
    showWith({{"older", "Older"}, {"newer", "Newer"}});
    if (!moduleMissing) {
        QVERIFY(waitForPage());
        QVERIFY(view()->page()->renderProcessPid() > 0);
        QCOMPARE(::kill(pid_t(view()->page()->renderProcessPid()), SIGKILL), 0);
    }
    QTRY_COMPARE(m_errors->texts.size(), 1);
    QVERIFY2(m_errors->texts.first().startsWith(error), qPrintable(m_errors->texts.first()));
    QVERIFY(!m_window->findChild<QWebEngineView *>() || !view()->isVisible());

    // No page, but the list still marks, and closing still stores; nothing more is said,
    // not even at the next show.
    QCOMPARE(list()->model()->rowCount(), 2);
    QCOMPARE(selectedRows(), QList<int>({0}));
    m_clock.tick += 2500;
    clickRow(1);
    QVERIFY(!rowIsBold(0));
    m_window->close();
    QCOMPARE(storedSeenIds(), QList<QByteArray>({"newer"}));
    showWith({{"older", "Older"}, {"newer", "Newer"}});
    QTest::qWait(200);
    m_window->close();
    QCOMPARE(m_errors->texts.size(), 1);
}

void tst_UPelkUpdaterMessages::firstShowLayout()
{
    showWith({{"a", "A"}});
    QCOMPARE(m_window->outerSize(), QSize(1006, 678));
    QCOMPARE(m_window->size(), QSize(990, 640));
    QCOMPARE(list()->height(), 177);
    QCOMPARE(m_window->minimumWidth() + (1006 - 990), 600);
    QVERIFY(child<QPushButton>("BuClose")->isDefault());
    QCOMPARE(child<QLabel>("Image2")->pixmap().size(), QSize(76, 14));
    for (const char *name : {"LTitle", "LHeader", "PMain", "PBottom", "CBAutoUpdate"})
        QVERIFY2(m_window->findChild<QWidget *>(QLatin1String(name)), name);
    QVERIFY(m_window->findChild<QSplitter *>(QStringLiteral("Splitter1")));
    QVERIFY(m_window->findChild<QMenu *>(QStringLiteral("PMItem")));

    // Every control lies inside the window.
    for (const char *name : {"LTitle", "LHeader", "Image2", "PMain", "CBAutoUpdate", "BuClose"}) {
        const QWidget *widget = child<QWidget>(name);
        QVERIFY2(m_window->rect().contains(widget->geometry()), name);
    }

    QHeaderView *header = list()->header();
    QCOMPARE(header->sectionSize(0), 90);
    QCOMPARE(header->sectionSize(1), 20);
    QCOMPARE(header->sectionSize(2), 100);
    QCOMPARE(header->sectionSize(3), list()->viewport()->width() - (90 + 20 + 100));
    QCOMPARE(header->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(header->sectionResizeMode(3), QHeaderView::Interactive);
    header->resizeSection(3, 120);
    QVERIFY(header->sectionSize(3) >= 300);
    QVERIFY(!header->sectionsClickable());
    QCOMPARE(list()->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list()->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(list()->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void tst_UPelkUpdaterMessages::storedGeometryKeepsMinimums_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("splitter");
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<int>("listHeight");
    QTest::newRow("splitter 50") << 1006 << 678 << 50 << QSize(1006, 678) << 100;
    QTest::newRow("splitter 99") << 1006 << 678 << 99 << QSize(1006, 678) << 100;
    QTest::newRow("splitter 101") << 1006 << 678 << 101 << QSize(1006, 678) << 101;
    QTest::newRow("splitter 300") << 1006 << 678 << 300 << QSize(1006, 678) << 300;
    QTest::newRow("width 400") << 400 << 678 << 177 << QSize(600, 678) << 177;
    QTest::newRow("width 599") << 599 << 678 << 177 << QSize(600, 678) << 177;
    QTest::newRow("width 601") << 601 << 678 << 177 << QSize(601, 678) << 177;
    QTest::newRow("smaller") << 700 << 500 << 150 << QSize(700, 500) << 150;
    QTest::newRow("negative") << -5 << 678 << -1 << QSize(600, 678) << 100;
    // The page keeps the least height of its panel: list + bar + page fill the 531 pixels.
    QTest::newRow("splitter 10000") << 1006 << 678 << 10000 << QSize(1006, 678) << 531 - 3 - 30;
}

void tst_UPelkUpdaterMessages::storedGeometryKeepsMinimums()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, splitter);
    QFETCH(QSize, outer);
    QFETCH(int, listHeight);
    WriteMessagesGeometry(*m_store, width, height, splitter);
    showWith({{"a", "A"}});
    QCOMPARE(m_window->outerSize(), outer);
    QCOMPARE(list()->height(), listHeight);
    // The Summary column takes the width that the fixed columns leave.
    QHeaderView *header = list()->header();
    QCOMPARE(header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2), 90 + 20 + 100);
    QCOMPARE(header->sectionSize(3), qMax(300, list()->viewport()->width() - (90 + 20 + 100)));
}

void tst_UPelkUpdaterMessages::hugeStoredSizeStaysOnTheDesktop()
{
    WriteMessagesGeometry(*m_store, 100000, 100000, 177);
    showWith({{"a", "A"}});
    // Nor larger than the screen's available area, frame included.
    QCOMPARE(m_window->outerSize(), QGuiApplication::primaryScreen()->availableGeometry().size());
}

void tst_UPelkUpdaterMessages::centredEachShow()
{
    WriteMessagesGeometry(*m_store, 500 + 100, 300 + 38, 120);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (int show = 0; show < 2; ++show) {
        showWith({{"a", "A"}});
        const QPoint centre = m_window->geometry().center();
        QVERIFY2(qAbs(centre.x() - screen.center().x()) <= 10 && qAbs(centre.y() - screen.center().y()) <= 20,
                 qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
        m_window->move(screen.topLeft());
        m_window->close();
    }
}

void tst_UPelkUpdaterMessages::geometryStoredWhenWindowGoes()
{
    showWith({{"a", "A"}});
    m_window->resize(800, 500);
    child<QSplitter>("Splitter1")->setSizes({222, 1000});
    QCOMPARE(list()->height(), 222);
    m_window->close();
    m_window.reset();
    RegFileStore store(m_store->userFile(), m_store->machineFile());
    const MessagesGeometry geometry = ReadMessagesGeometry(store);
    QCOMPARE(geometry.Width, std::optional<qint32>(816));
    QCOMPARE(geometry.Height, std::optional<qint32>(538));
    QCOMPARE(geometry.Splitter, std::optional<qint32>(222));

    // A window that was never shown (a run without a display, or with larger fonts) leaves it.
    createWindow();
    m_window->resize(600, 400);
    m_window.reset();
    QCOMPARE(ReadMessagesGeometry(store).Width, std::optional<qint32>(816));

    // The next window comes back the same.
    createWindow();
    QCOMPARE(m_window->outerSize(), QSize(816, 538));
    showWith({{"a", "A"}});
    QCOMPARE(list()->height(), 222);
}

void tst_UPelkUpdaterMessages::rowsInReverseOrderFirstSelected()
{
    showWith({{"A", "First"}, {"B", "Second"}, {"C", "Third"}});
    QAbstractItemModel *model = list()->model();
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(0, 3).data().toString(), QStringLiteral(": Third"));
    QCOMPARE(model->index(2, 3).data().toString(), QStringLiteral(": First"));
    QCOMPARE(selectedRows(), QList<int>({0}));
    QCOMPARE(m_window->shownRow(), 0);
    QVERIFY(waitForPage());
    QCOMPARE(pageTitle(), QStringLiteral("Third"));
    QVERIFY(view()->currentHtml().contains("<h1>Third</h1>"));
    QCOMPARE(list(), QApplication::focusWidget());
}

void tst_UPelkUpdaterMessages::autoUpdateFromStore_data()
{
    QTest::addColumn<int>("stored"); // -1: none
    QTest::addColumn<QByteArray>("policy"); // the administrator's lock, if any
    QTest::addColumn<bool>("ticked");
    QTest::newRow("none") << -1 << QByteArray() << false;
    QTest::newRow("off") << 0 << QByteArray() << false;
    QTest::newRow("on") << 1 << QByteArray() << true;
    QTest::newRow("off, locked on") << 0 << QByteArray("AutoUpdate=1") << true;
    QTest::newRow("on, locked off") << 1 << QByteArray("AutoUpdate=0") << false;
}

void tst_UPelkUpdaterMessages::autoUpdateFromStore()
{
    QFETCH(int, stored);
    QFETCH(QByteArray, policy);
    QFETCH(bool, ticked);
    if (stored >= 0)
        WriteAutoUpdate(*m_store, m_installation.ProgVersion, stored == 1);
    const QString adminFile = m_dir->filePath(QStringLiteral("admin.ini"));
    if (!policy.isEmpty()) {
        QFile file(adminFile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Policy]\n" + policy + "\n") > 0);
    }
    PolicyStore store(*m_store, PolicyStore::readLocks(IniFile(adminFile)));
    const auto release = qScopeGuard([this] { m_window.reset(); }); // before the store goes
    m_window = std::make_unique<TFPelkUpdaterMessages>(store, m_installation, m_clock, m_opener);
    m_window->setPageFactory(MessagePageView::factory());
    QVERIFY(child<QCheckBox>("CBAutoUpdate")->isChecked());
    showWith({{"a", "A"}});
    auto *box = child<QCheckBox>("CBAutoUpdate");
    QCOMPARE(box->isChecked(), ticked);
    // A locked wish is shown, not offered, and closing the window keeps the user's own.
    QCOMPARE(box->isEnabled(), policy.isEmpty());
    box->setChecked(!ticked);
    m_window->close();
    QTRY_VERIFY(!m_window->isVisible());
    m_window.reset();
    QCOMPARE(ReadAutoUpdate(*m_store, m_installation.ProgVersion), policy.isEmpty() ? !ticked : stored == 1);
}

void tst_UPelkUpdaterMessages::unreadBoldHighPriorityBlue()
{
    showWith({{"n", "normal read"}, {"h", "high read", "prio=\"high\""}, {"u", "normal new"},
              {"x", "high new", "prio=\"high\""}},
             {"N", "H"});
    QAbstractItemModel *model = list()->model();
    const QColor blue(0, 145, 220);
    // Rows: high new, normal new, high read, normal read.
    QVERIFY(rowIsBold(0));
    QVERIFY(rowIsBold(1));
    QVERIFY(!rowIsBold(2));
    QVERIFY(!rowIsBold(3));
    for (int column = 0; column < 4; ++column) {
        QCOMPARE(qvariant_cast<QColor>(model->index(0, column).data(Qt::ForegroundRole)), blue);
        QCOMPARE(qvariant_cast<QColor>(model->index(2, column).data(Qt::ForegroundRole)), blue);
        QVERIFY(!model->index(1, column).data(Qt::ForegroundRole).isValid());
        QVERIFY(!model->index(3, column).data(Qt::ForegroundRole).isValid());
        QCOMPARE(rowIsBold(0), qvariant_cast<QFont>(model->index(0, column).data(Qt::FontRole)).bold());
    }
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("!"));
    QCOMPARE(model->index(1, 1).data().toString(), QString());
    QCOMPARE(model->index(3, 3).data().toString(), QStringLiteral("normal read"));

    // What the user sees: a pixel of the blue text in the unselected high-priority row.
    list()->clearSelection();
    const QImage image = list()->viewport()->grab().toImage();
    const QRect rect = list()->visualRect(model->index(2, 3));
    bool blueSeen = false;
    for (int x = rect.left(); x < rect.right() && !blueSeen; ++x)
        for (int y = rect.top(); y < rect.bottom() && !blueSeen; ++y)
            blueSeen = image.pixelColor(x, y) == blue;
    QVERIFY(blueSeen);
}

void tst_UPelkUpdaterMessages::readAfterMoreThan2000ms_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("elapsed");
    QTest::addColumn<bool>("read");
    QTest::newRow("1500") << 1000u << 1500u << false;
    QTest::newRow("1999") << 1000u << 1999u << false;
    QTest::newRow("2000") << 1000u << 2000u << false;
    QTest::newRow("2001") << 1000u << 2001u << true;
    QTest::newRow("2500") << 1000u << 2500u << true;
    QTest::newRow("wrap 2000") << 0xFFFFFC00u << 2000u << false;
    QTest::newRow("wrap 2001") << 0xFFFFFC00u << 2001u << true;
    QTest::newRow("just before wrap 2001") << 0xFFFFF830u << 2001u << true;
    QTest::newRow("wrap 1999") << 0xFFFFFFFEu << 1999u << false;
}

void tst_UPelkUpdaterMessages::readAfterMoreThan2000ms()
{
    QFETCH(quint32, start);
    QFETCH(quint32, elapsed);
    QFETCH(bool, read);
    m_clock.tick = start;
    showWith({{"older", "Older"}, {"shown", "Shown"}});
    QVERIFY(waitForPage());
    QCOMPARE(m_window->shownTick(), start);
    QVERIFY(rowIsBold(0));

    m_clock.tick = start + elapsed;
    clickRow(1);
    QCOMPARE(selectedRows(), QList<int>({1}));
    QCOMPARE(m_window->shownRow(), 1);
    QCOMPARE(rowIsBold(0), !read);
    QCOMPARE(m_window->seenMsgIDs().contains("shown"), read);
    QVERIFY(!m_window->seenMsgIDs().contains("older"));
    // The prefix stays until the next filling.
    QCOMPARE(list()->model()->index(0, 3).data().toString(), QStringLiteral(": Shown"));
    QVERIFY(waitForPage());
    QCOMPARE(pageTitle(), QStringLiteral("Older"));
}

void tst_UPelkUpdaterMessages::markedUnreadStaysUnreadWhenMovingOn()
{
    showWith({{"b", "B"}, {"a", "A"}}, {"a"});
    QVERIFY(!rowIsBold(0));
    m_clock.tick += 5000;
    list()->customContextMenuRequested(list()->visualRect(list()->model()->index(0, 0)).center());
    QMenu *menu = m_window->findChild<QMenu *>(QStringLiteral("PMItem"));
    QTRY_VERIFY(menu->isVisible());
    QAction *unread = menu->findChild<QAction *>(QStringLiteral("MIMarkAsUnread"));
    QVERIFY(unread->isVisible());
    menu->close();
    unread->trigger();
    QCOMPARE(m_window->shownTick(), 0xFFFFFFFFu);
    QVERIFY(rowIsBold(0));
    QVERIFY(!m_window->seenMsgIDs().contains("a"));

    m_clock.tick += 5000;
    clickRow(1);
    QVERIFY(rowIsBold(0));
    QVERIFY(!m_window->seenMsgIDs().contains("a"));
}

void tst_UPelkUpdaterMessages::menuEntriesFollowSelection_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("markRead");
    QTest::addColumn<bool>("markUnread");
    // Rows: 0 new, 1 read, 2 new, 3 read.
    QTest::newRow("one new") << QList<int>{0} << true << true << false;
    QTest::newRow("one read") << QList<int>{1} << true << false << true;
    QTest::newRow("two new") << QList<int>{0, 2} << true << true << false;
    QTest::newRow("mixed") << QList<int>{1, 2} << true << true << true;
    QTest::newRow("all") << QList<int>{0, 1, 2, 3} << true << true << true;
    QTest::newRow("none") << QList<int>{} << false << false << false;
}

void tst_UPelkUpdaterMessages::menuEntriesFollowSelection()
{
    QFETCH(QList<int>, rows);
    QFETCH(bool, opens);
    QFETCH(bool, markRead);
    QFETCH(bool, markUnread);
    showWith({{"r3", "r3"}, {"n2", "n2"}, {"r1", "r1"}, {"n0", "n0"}}, {"r1", "r3"});
    list()->clearSelection();
    for (const int row : rows)
        clickRow(row, Qt::ControlModifier);
    QCOMPARE(selectedRows(), rows);

    // A right click on the list, where the user makes it.
    const QPoint where = list()->visualRect(list()->model()->index(3, 3)).center() + QPoint(0, 40);
    QContextMenuEvent event(QContextMenuEvent::Mouse, where, list()->viewport()->mapToGlobal(where));
    QApplication::sendEvent(list()->viewport(), &event);
    QMenu *menu = m_window->findChild<QMenu *>(QStringLiteral("PMItem"));
    if (!opens) {
        QTest::qWait(100);
        QVERIFY(!menu->isVisible());
        return;
    }
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->findChild<QAction *>(QStringLiteral("MIMarkAsRead"))->isVisible(), markRead);
    QCOMPARE(menu->findChild<QAction *>(QStringLiteral("MIMarkAsUnread"))->isVisible(), markUnread);
    QVERIFY(qAbs(menu->pos().y() - list()->viewport()->mapToGlobal(where).y()) <= 1);
    menu->close();
}

void tst_UPelkUpdaterMessages::markReadAndUnreadFromMenu()
{
    showWith({{"r", "r"}, {"n2", "n2"}, {"n1", "n1"}}, {"R"});
    clickRow(2, Qt::ControlModifier);
    QCOMPARE(selectedRows(), QList<int>({0, 2}));
    child<QMenu>("PMItem")->findChild<QAction *>(QStringLiteral("MIMarkAsRead"))->trigger();
    QVERIFY(!rowIsBold(0));
    QVERIFY(rowIsBold(1));
    QVERIFY(!rowIsBold(2));
    QCOMPARE(m_window->seenMsgIDs().items(), QList<QByteArray>({"n1", "R"}));
    QCOMPARE(m_window->shownTick(), 0xFFFFFFFFu);
    QCOMPARE(list()->model()->index(0, 3).data().toString(), QStringLiteral(": n1"));

    clickRow(1, Qt::ControlModifier);
    child<QMenu>("PMItem")->findChild<QAction *>(QStringLiteral("MIMarkAsUnread"))->trigger();
    QVERIFY(rowIsBold(0));
    QVERIFY(rowIsBold(1));
    QVERIFY(rowIsBold(2));
    QCOMPARE(m_window->seenMsgIDs().items(), QList<QByteArray>());
}

void tst_UPelkUpdaterMessages::closingStoresSeenListAndAutoUpdate_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("BuClose") << "button" << true;
    QTest::newRow("Enter") << "enter" << false;
    QTest::newRow("Esc") << "escape" << true;
    QTest::newRow("close box") << "close" << false;
}

void tst_UPelkUpdaterMessages::closingStoresSeenListAndAutoUpdate()
{
    QFETCH(QString, how);
    QFETCH(bool, ticked);
    showWith({{"old", "Old"}, {"kept", "Kept"}, {"first", "First"}}, {"Kept", "gone-from-feed"});
    QVERIFY(waitForPage());
    child<QCheckBox>("CBAutoUpdate")->setChecked(ticked);
    m_clock.tick += 3000;
    if (how == QLatin1String("button"))
        QTest::mouseClick(child<QPushButton>("BuClose"), Qt::LeftButton);
    else if (how == QLatin1String("enter"))
        QTest::keyClick(list(), Qt::Key_Return);
    else if (how == QLatin1String("escape"))
        QTest::keyClick(list(), Qt::Key_Escape);
    else
        m_window->close();
    QTRY_VERIFY(!m_window->isVisible());
    QVERIFY(selectedRows().isEmpty());
    QCOMPARE(m_window->shownRow(), -1);
    QCOMPARE(storedSeenIds(), QList<QByteArray>({"first", "gone-from-feed", "Kept"}));
    RegFileStore store(m_store->userFile(), m_store->machineFile());
    QCOMPARE(ReadAutoUpdate(store, m_installation.ProgVersion), ticked);
    QVERIFY(waitForPage());
    QVERIFY(view()->currentHtml().isEmpty());
    QCOMPARE(view()->currentUrl(), QUrl(QStringLiteral("about:blank")));
}

void tst_UPelkUpdaterMessages::closingEarlyLeavesMessageUnread()
{
    showWith({{"first", "First"}});
    m_clock.tick += 1500;
    m_window->close();
    QCOMPARE(storedSeenIds(), QList<QByteArray>());
    // Both values are written on every close, changed or not.
    RegFileStore store(m_store->userFile(), m_store->machineFile());
    const auto key = store.openKey(RegistryRoot::CurrentUser, VersionKeyPath(m_installation.ProgVersion), false);
    QVERIFY(key);
    QVERIFY(key->valueExists(QStringLiteral("AutoUpdate")));
    const auto fullKey =
        store.openKey(RegistryRoot::CurrentUser, FullVersionKeyPath(m_installation.ProgVersion), false);
    QVERIFY(fullKey);
    QVERIFY(fullKey->valueExists(QStringLiteral("OldMsgIDs")));
}

void tst_UPelkUpdaterMessages::showFeedIsModalAndRefills()
{
    createWindow();
    QStringList seenWhileShown;
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(m_window->isVisible());
        seenWhileShown.append(list()->model()->index(0, 3).data().toString());
        m_clock.tick += 2500;
        QTest::mouseClick(child<QPushButton>("BuClose"), Qt::LeftButton);
    });
    m_window->ShowFeed(ParseXmlText(feedXml({{"one", "One"}})), {});
    QCOMPARE(seenWhileShown, QStringList({": One"}));
    QCOMPARE(storedSeenIds(), QList<QByteArray>({"one"}));

    // The next hand-over replaces the feed and the seen list; the list is filled anew.
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(m_window->isVisible());
        seenWhileShown.append(list()->model()->index(0, 3).data().toString());
        seenWhileShown.append(list()->model()->index(1, 3).data().toString());
        m_window->close();
    });
    m_window->ShowFeed(ParseXmlText(feedXml({{"one", "One"}, {"two", "Two"}})), {"ONE"});
    QCOMPARE(seenWhileShown, QStringList({": One", ": Two", "One"}));
    QCOMPARE(storedSeenIds(), QList<QByteArray>({"ONE"}));
}

void tst_UPelkUpdaterMessages::badDateShowsErrorBoxAndListsEverything()
{
    QByteArray xml = feedXml({{"ok", "Fine"}, {"bad", "Broken"}, {"new", "Newest"}});
    xml.replace("id=\"bad\" date=\"20261207\"", "id=\"bad\" date=\"2026120\"");
    createWindow();
    m_window->setFeed(ParseXmlText(xml), {});
    m_window->show();
    QTRY_COMPARE(m_errors->texts, QStringList({"The date of the message \"Broken\" cannot be read: Invalid argument to date encode."}));
    QVERIFY(m_window->isVisible());
    QAbstractItemModel *model = list()->model();
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(1, 0).data().toString(), QString());
    QCOMPARE(model->index(1, 2).data().toString(), QString()); // no texts applied: empty type name
    QCOMPARE(model->index(1, 3).data().toString(), QStringLiteral(": Broken"));
    QVERIFY(!model->index(0, 0).data().toString().isEmpty());
    QVERIFY(!model->index(2, 0).data().toString().isEmpty());
    QCOMPARE(selectedRows(), QList<int>({0}));
    // The window stays usable.
    clickRow(1);
    QVERIFY(waitForPage());
    QCOMPARE(pageTitle(), QStringLiteral("Broken"));
}

void tst_UPelkUpdaterMessages::applyEnglishTexts()
{
    const QString iniPath = m_dir->filePath(QStringLiteral("PelkUpdater.ini"));
    QFile ini(iniPath);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Langs]\nLangKey1=en\nLangDesc1=English\n[Texts_en]\ntxtProduct=Catalog\ntxtMessages=Messages\n"
              "txtMessagesLong=The messages\ntxtClose=Close\ntxtInfo=Information\ntxtUpdate=Update\ntxtNew=New\n"
              "txtAutoUpdateCheck=Check automatically\ntxtDate=Date\ntxtType=Type\ntxtSummary=Summary\n"
              "txtMarkAsRead=Mark as read\ntxtMarkAsUnread=Mark as unread\n");
    ini.close();
    IniFile file(iniPath);
    Languages languages(file, *m_store);
    languages.LoadLanguages(QByteArray());
    if (!m_window)
        createWindow();
    m_window->applyTexts(languages);
}

void tst_UPelkUpdaterMessages::applyTexts(const QByteArray &language)
{
    const QString iniPath = m_dir->filePath(QStringLiteral("PelkUpdater.ini"));
    QFile ini(iniPath);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Langs]\nLangKey1=de\nLangDesc1=Deutsch\nLangKey2=en\nLangDesc2=English\n"
              "[Texts_de]\ntxtMessagesLong=&Die Meldungen\ntxtNew=Neu\ntxtClose=&Schließen\n"
              "txtAutoUpdateCheck=A&utomatisch suchen\n"
              "[Texts_en]\ntxtMessagesLong=The &messages\ntxtNew=New\ntxtClose=&Close\n"
              "txtAutoUpdateCheck=Check a&utomatically\n");
    ini.close();
    IniFile file(iniPath);
    Languages languages(file, *m_store);
    languages.LoadLanguages(language);
    if (!m_window)
        createWindow();
    m_window->applyTexts(languages);
}

namespace {
// Every object below `root` in the accessibility tree, depth first.
QList<QAccessibleInterface *> accessibleTree(QAccessibleInterface *root)
{
    QList<QAccessibleInterface *> all;
    for (int i = 0; root && i < root->childCount(); ++i) {
        if (QAccessibleInterface *child = root->child(i)) {
            all << child;
            all << accessibleTree(child);
        }
    }
    return all;
}

QAccessibleInterface *findAccessible(QAccessibleInterface *root, QAccessible::Role role, const QString &text)
{
    for (QAccessibleInterface *node : accessibleTree(root)) {
        if (node->role() == role
            && (node->text(QAccessible::Name).contains(text) || node->text(QAccessible::Value).contains(text)))
            return node;
    }
    return nullptr;
}
} // namespace

void tst_UPelkUpdaterMessages::readableToScreenReaders_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QStringList>("states"); // the description of each row's cells
    // Rows: urgent unread, urgent read, read, unread.
    QTest::newRow("de") << QByteArray("de") << "Die Meldungen:" << QStringList{"!, Neu", "!", "", "Neu"};
    QTest::newRow("en") << QByteArray("en") << "The messages:" << QStringList{"!, New", "!", "", "New"};
}

void tst_UPelkUpdaterMessages::readableToScreenReaders()
{
    QFETCH(QByteArray, language);
    QFETCH(QString, listName);
    QFETCH(QStringList, states);

    QPlatformAccessibility *platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform);
    platform->setActive(true);
    const auto inactive = qScopeGuard([platform] { platform->setActive(false); });

    applyTexts(language);
    showWith({{"n", "Normal"}, {"r", "Read"}, {"h", "Urgent read", "prio=\"high\""},
              {"u", "Urgent", "prio=\"high\"", "<p>Body text</p><p><a href=\"https://example.com/x\">More</a></p>"}},
             {"r", "h"});
    QVERIFY(waitForPage());

    // The list is named and labelled by its introduction line.
    QAccessibleInterface *listAccessible = QAccessible::queryAccessibleInterface(list());
    QCOMPARE(listAccessible->text(QAccessible::Name), listName);
    const auto labelled = QAccessible::queryAccessibleInterface(child<QLabel>("LHeader"))->relations(QAccessible::Labelled);
    QCOMPARE(labelled.size(), 1);
    QCOMPARE(labelled.first().first->object(), list());

    // What only colour and weight show, in words; the priority column named by its mark.
    QAccessibleTableInterface *table = listAccessible->tableInterface();
    QVERIFY(table);
    for (int row = 0; row < states.size(); ++row) {
        for (int column : {1, 3})
            QCOMPARE(table->cellAt(row, column)->text(QAccessible::Description), states.at(row));
    }
    QAccessibleInterface *prioHeader = table->columnCount() > 1 ? findAccessible(listAccessible, QAccessible::ColumnHeader, QStringLiteral("!")) : nullptr;
    QVERIFY(prioHeader);

    // The page: heading, text and a link that can be pressed.
    QAccessibleInterface *page = QAccessible::queryAccessibleInterface(view());
    QTRY_VERIFY_WITH_TIMEOUT(findAccessible(page, QAccessible::Heading, QStringLiteral("Urgent")), 15000);
    QVERIFY(findAccessible(page, QAccessible::StaticText, QStringLiteral("Body text"))
            || findAccessible(page, QAccessible::Paragraph, QStringLiteral("Body text")));
    QAccessibleInterface *link = findAccessible(page, QAccessible::Link, QStringLiteral("More"));
    QVERIFY(link);
    QVERIFY(link->actionInterface());
    QVERIFY(!link->actionInterface()->actionNames().isEmpty());

    // Every stop of Tab has a name, also with several messages selected and the page blank.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    for (const bool blank : {false, true}) {
        if (blank) {
            list()->selectAll();
            QTRY_VERIFY(view()->currentHtml().isEmpty() && view()->isLoadFinished());
        }
        list()->setFocus();
        QList<QWidget *> stops;
        while (!stops.contains(QApplication::focusWidget())) {
            QWidget *stop = QApplication::focusWidget();
            stops.append(stop);
            QAccessibleInterface *focused = QAccessible::queryAccessibleInterface(stop);
            if (QAccessibleInterface *inner = focused->focusChild())
                focused = inner;
            QVERIFY2(!focused->text(QAccessible::Name).isEmpty(), stop->metaObject()->className());
            QTest::keyClick(stop, Qt::Key_Tab);
            // The page's engine takes Tab through its own links first, each a moment later.
            for (int links = 0; links < 5 && QApplication::focusWidget() == stop && view()->isAncestorOf(stop); ++links) {
                QTest::qWait(500);
                if (QApplication::focusWidget() == stop)
                    QTest::keyClick(stop, Qt::Key_Tab);
            }
        }
        QVERIFY(stops.size() >= 3);
        // In the order of the screen: the page follows the list, as long as it shows a message.
        QCOMPARE(view()->isAncestorOf(stops.at(1)), !blank);
    }
}

void tst_UPelkUpdaterMessages::textsApplied()
{
    applyEnglishTexts();

    QCOMPARE(m_window->windowTitle(), QStringLiteral("Orbel - Catalog - Messages"));
    QCOMPARE(child<QLabel>("LTitle")->text(), QStringLiteral("Messages"));
    QCOMPARE(child<QLabel>("LHeader")->text(), QStringLiteral("The messages:"));
    QCOMPARE(child<QPushButton>("BuClose")->text(), QStringLiteral("Close"));
    QCOMPARE(child<QCheckBox>("CBAutoUpdate")->text(), QStringLiteral("Check automatically"));
    QCOMPARE(child<QMenu>("PMItem")->findChild<QAction *>(QStringLiteral("MIMarkAsRead"))->text(),
             QStringLiteral("Mark as read"));
    QCOMPARE(child<QMenu>("PMItem")->findChild<QAction *>(QStringLiteral("MIMarkAsUnread"))->text(),
             QStringLiteral("Mark as unread"));
    QAbstractItemModel *model = list()->model();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Date"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QString());
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Type"));
    QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Summary"));

    // The stored texts take effect at the next filling.
    showWith({{"u", "Upd", "type=\"update\""}, {"i", "Inf"}}, {"u"});
    QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("Information"));
    QCOMPARE(model->index(0, 3).data().toString(), QStringLiteral("New: Inf"));
    QCOMPARE(model->index(1, 2).data().toString(), QStringLiteral("Update"));
    QCOMPARE(model->index(1, 3).data().toString(), QStringLiteral("Upd"));
}

void tst_UPelkUpdaterMessages::pageOfSelectedMessage()
{
    Msg message{"m", "Fish & Chips <b> don't \"stop\" Grüße €", QByteArray(),
                "<p id=\"x\">Fish &amp; <b>Chips</b></p>"};
    showWith({message});
    QVERIFY(waitForPage());
    QCOMPARE(pageTitle(), QString::fromUtf8(message.title));
    const QByteArray html = view()->currentHtml();
    QVERIFY(html.contains("<h1>Fish &amp; Chips &lt;b&gt; don&#39;t &quot;stop&quot; Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC</h1>"));
    QVERIFY(html.contains("\r\n<p id=\"x\">Fish &amp; <b>Chips</b></p>\r\n"));
    QString text;
    view()->page()->toPlainText([&text](const QString &plain) { text = plain; });
    QTRY_VERIFY(!text.isEmpty());
    QVERIFY2(text.contains(QStringLiteral("Fish & Chips")), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("</b>")));
}

void tst_UPelkUpdaterMessages::twoRowsSelectedShowBlankPage()
{
    showWith({{"b", "B"}, {"a", "A"}});
    QVERIFY(waitForPage());
    m_clock.tick += 5000;
    clickRow(1, Qt::ControlModifier);
    QCOMPARE(selectedRows(), QList<int>({0, 1}));
    QCOMPARE(m_window->shownRow(), -1);
    QVERIFY(waitForPage());
    QVERIFY(view()->currentHtml().isEmpty());
    QCOMPARE(view()->page()->url(), QUrl(QStringLiteral("about:blank")));
    // The message shown before counts as read: it was shown for 5 s.
    QVERIFY(m_window->seenMsgIDs().contains("a"));
    // Back to one row: its page again.
    clickRow(0, Qt::ControlModifier);
    QCOMPARE(m_window->shownRow(), 1);
    QVERIFY(waitForPage());
    QCOMPARE(pageTitle(), QStringLiteral("B"));
}

void tst_UPelkUpdaterMessages::lastSelectionWins()
{
    showWith({{"d", "D"}, {"c", "C"}, {"b", "B"}, {"a", "A"}});
    for (const int row : {1, 2, 3, 1, 2})
        clickRow(row);
    QVERIFY(waitForPage());
    QCOMPARE(pageTitle(), QStringLiteral("C"));
    QTest::qWait(200);
    QCOMPARE(pageTitle(), QStringLiteral("C"));
    QCOMPARE(view()->page()->url(), view()->currentUrl());
}

void tst_UPelkUpdaterMessages::eachRowFindsItsOwnMessage()
{
    // Rows come last message first; two messages share an id.
    showWith({{"say \"hi\"", "Quoted"}, {"twin", "Twin one"}, {"twin", "Twin two"}});
    QVERIFY(waitForPage());
    QCOMPARE(pageTitle(), QStringLiteral("Twin two"));
    clickRow(1);
    QVERIFY(waitForPage());
    QCOMPARE(pageTitle(), QStringLiteral("Twin one"));
    clickRow(2);
    QVERIFY(waitForPage());
    QCOMPARE(pageTitle(), QStringLiteral("Quoted"));
    QVERIFY(view()->currentHtml().contains("<h1>Quoted</h1>"));
    QTest::qWait(50);
    QCOMPARE(m_errors->texts, QStringList());
}

void tst_UPelkUpdaterMessages::linkClickOpensBrowserOnce_data()
{
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<QUrl>("opened");
    QTest::newRow("http") << coveringLink("http://example.com/news?a=1&amp;b=2")
                          << QUrl(QStringLiteral("http://example.com/news?a=1&b=2"));
    QTest::newRow("https") << coveringLink("https://example.com/") << QUrl(QStringLiteral("https://example.com/"));
    QTest::newRow("mailto") << coveringLink("mailto:support@example.com")
                            << QUrl(QStringLiteral("mailto:support@example.com"));
    QTest::newRow("target blank") << coveringLink("https://example.com/new", "target=\"_blank\"")
                                  << QUrl(QStringLiteral("https://example.com/new"));
}

void tst_UPelkUpdaterMessages::linkClickOpensBrowserOnce()
{
    QFETCH(QByteArray, link);
    QFETCH(QUrl, opened);
    showWith({{"l", "Link", QByteArray(), link}});
    QVERIFY(waitForPage());
    const QUrl page = view()->page()->url();
    clickPageCentre();
    QTRY_COMPARE(m_opener.opened, QList<QUrl>({opened}));
    QTest::qWait(300);
    QCOMPARE(m_opener.opened, QList<QUrl>({opened}));
    QCOMPARE(view()->page()->url(), page);
    QCOMPARE(pageTitle(), QStringLiteral("Link"));
}

void tst_UPelkUpdaterMessages::hostileNavigationsOpenNothing_data()
{
    QTest::addColumn<QByteArray>("desc");
    QTest::addColumn<bool>("click");
    QTest::addColumn<QString>("refused"); // a navigation that must have been tried and turned away
    QTest::newRow("file link") << coveringLink("file:///etc/passwd") << true << "";
    QTest::newRow("javascript link") << coveringLink("javascript:location='http://127.0.0.1:9/js'") << true << "";
    QTest::newRow("unknown scheme link") << coveringLink("foo:bar") << true << "foo:bar";
    QTest::newRow("meta refresh") << QByteArray("<meta http-equiv=\"refresh\" content=\"0;url=http://127.0.0.1:9/r\">")
                                  << false << "http://127.0.0.1:9/r";
    QTest::newRow("form") << QByteArray("<form action=\"http://127.0.0.1:9/f\" method=\"post\"><input type=\"submit\" "
                                        "value=\"Go\" style=\"position:fixed;left:0;top:0;width:100%;height:100%\">"
                                        "</form>")
                          << true << "http://127.0.0.1:9/f";
    QTest::newRow("meta refresh to mailto")
        << QByteArray("<meta http-equiv=\"refresh\" content=\"0;url=mailto:someone@example.com\">") << false << "";
    QTest::newRow("window.open") << QByteArray("<script>window.open('http://127.0.0.1:9/w');</script>") << false << "";
    QTest::newRow("frame") << QByteArray("<iframe src=\"http://127.0.0.1:9/i\"></iframe>") << false
                           << "http://127.0.0.1:9/i";
}

void tst_UPelkUpdaterMessages::hostileNavigationsOpenNothing()
{
    QFETCH(QByteArray, desc);
    QFETCH(bool, click);
    QFETCH(QString, refused);
    showWith({{"h", "Hostile", QByteArray(), desc}});
    QVERIFY(waitForPage());
    const QUrl page = view()->page()->url();
    if (click)
        clickPageCentre();
    MessageWebPage *webPage = view()->messagePage();
    if (!refused.isEmpty()) {
        const auto wasRefused = [webPage, refused] {
            for (const MessageWebPage::RefusedNavigation &navigation : webPage->refusedNavigations())
                if (navigation.url == QUrl(refused))
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(wasRefused(), 5000);
    }
    QTest::qWait(500);
    QCOMPARE(m_opener.opened, QList<QUrl>());
    QCOMPARE(webPage->newWindowRequests(), 0);
    QCOMPARE(view()->page()->url(), page);
    QCOMPARE(pageTitle(), QStringLiteral("Hostile"));
}

void tst_UPelkUpdaterMessages::scriptsDoNotRun()
{
    showWith({{"s", "Quiet", QByteArray(),
               "<script>document.title = 'script ran';</script><img src=\"x\" onerror=\"document.title='handler ran'\">"}});
    QVERIFY(waitForPage());
    QTest::qWait(300);
    QCOMPARE(pageTitle(), QStringLiteral("Quiet"));
}

void tst_UPelkUpdaterMessages::pageLoadsNothingFromTheNetwork_data()
{
    // "SERVER" stands for the address of a server that must never hear from the page.
    QTest::addColumn<QByteArray>("desc");
    QTest::newRow("img") << QByteArray("<img src=\"SERVER/img\">");
    QTest::newRow("srcset") << QByteArray("<img srcset=\"SERVER/srcset 1x, SERVER/srcset2 2x\">");
    QTest::newRow("picture") << QByteArray("<picture><source srcset=\"SERVER/picture\"><img alt=\"p\"></picture>");
    QTest::newRow("svg image") << QByteArray("<svg width=\"20\" height=\"20\"><image href=\"SERVER/svg\" width=\"20\" "
                                             "height=\"20\"/></svg>");
    QTest::newRow("video poster") << QByteArray("<video poster=\"SERVER/poster\" preload=\"auto\" src=\"SERVER/video\"></video>");
    QTest::newRow("audio src") << QByteArray("<audio src=\"SERVER/audio\" preload=\"auto\" controls></audio>");
    QTest::newRow("stylesheet") << QByteArray("<link rel=\"stylesheet\" href=\"SERVER/css\"><p>x</p>");
    QTest::newRow("@import") << QByteArray("<style>@import url(\"SERVER/import\");</style><p>x</p>");
    QTest::newRow("css url() rule") << QByteArray("<style>p{background:url(SERVER/rule)}</style><p>x</p>");
    QTest::newRow("css url() inline") << QByteArray("<p style=\"background-image:url(SERVER/inline)\">x</p>");
    QTest::newRow("@font-face") << QByteArray("<style>@font-face{font-family:F;src:url(SERVER/font)}p{font-family:F}"
                                              "</style><p>x</p>");
    QTest::newRow("prefetch") << QByteArray("<link rel=\"prefetch\" href=\"SERVER/prefetch\">");
    QTest::newRow("preload") << QByteArray("<link rel=\"preload\" href=\"SERVER/preload\" as=\"image\">");
    QTest::newRow("input image") << QByteArray("<input type=\"image\" src=\"SERVER/input\">");
    QTest::newRow("table background") << QByteArray("<table background=\"SERVER/table\"><tr><td>x</td></tr></table>");
}

void tst_UPelkUpdaterMessages::pageLoadsNothingFromTheNetwork()
{
    QFETCH(QByteArray, desc);
    TestHttpServer server;
    QVERIFY(server.listen());
    showWith({{"n", "Nothing", QByteArray(), desc.replace("SERVER", server.url(QByteArray()))}});
    QVERIFY(waitForPage());
    QTest::qWait(700);
    QCOMPARE(server.connectionCount(), 0);
    QCOMPARE(pageTitle(), QStringLiteral("Nothing"));
}

void tst_UPelkUpdaterMessages::inlineDataPictureShows()
{
    // A picture in the page itself, 9 by 8 pixels: the bullet of the page's links.
    showWith({{"d", "Data", QByteArray(),
               "<img src=\"data:image/gif;base64,R0lGODlhCQAIAIABAACR3P///yH5BAEAAAEALAAAAAAJAAgAAAIPjANwi8qWWpq0RnZX"
               "PrkAADs=\">"}});
    QVERIFY(waitForPage());
    QVariant width;
    view()->page()->runJavaScript(QStringLiteral("document.images[0].naturalWidth"), QWebEngineScript::ApplicationWorld,
                                  [&width](const QVariant &result) { width = result; });
    QTRY_VERIFY(width.isValid());
    QCOMPARE(width.toInt(), 9);
}

void tst_UPelkUpdaterMessages::refreshDoesNothing()
{
    showWith({{"r", "Refresh"}});
    QVERIFY(waitForPage());
    QSignalSpy started(view()->page(), &QWebEnginePage::loadStarted);
    const int loads = view()->loadsStarted();
    QWidget *target = view()->focusProxy() ? view()->focusProxy() : view();
    target->setFocus();
    QTest::keyClick(target, Qt::Key_F5);
    QTest::keyClick(target, Qt::Key_R, Qt::ControlModifier);
    view()->page()->triggerAction(QWebEnginePage::Reload);
    view()->page()->triggerAction(QWebEnginePage::ReloadAndBypassCache);
    view()->page()->triggerAction(QWebEnginePage::Back);
    QTest::qWait(500);
    QCOMPARE(started.count(), 0);
    QCOMPARE(view()->loadsStarted(), loads);
    QCOMPARE(pageTitle(), QStringLiteral("Refresh"));
}

void tst_UPelkUpdaterMessages::pageContextMenuOffersNoNavigation_data()
{
    // Qt's texts follow the language at the window's show and at the click; the page's menu
    // entries are made when first asked for, which the test does at the show.
    QTest::addColumn<QByteArray>("desc");
    QTest::addColumn<QByteArray>("languageAtShow");
    QTest::addColumn<QByteArray>("languageAtClick");
    QTest::addColumn<QString>("copyLinkText"); // empty: no menu
    const QByteArray link = coveringLink("http://example.com/");
    const QString english = QStringLiteral("Copy link address");
    const QString german = QStringLiteral("Adresse des Links kopieren");
    QTest::newRow("background") << QByteArray("<p>Some text beside the click.</p>") << QByteArray("engb")
                                << QByteArray("engb") << QString();
    QTest::newRow("link") << link << QByteArray("engb") << QByteArray("engb") << english;
    QTest::newRow("link, German") << link << QByteArray("de") << QByteArray("de") << german;
    QTest::newRow("link, German, then English") << link << QByteArray("de") << QByteArray("engb") << english;
    QTest::newRow("link, English, then German") << link << QByteArray("engb") << QByteArray("de") << german;
}

void tst_UPelkUpdaterMessages::pageContextMenuOffersNoNavigation()
{
    QFETCH(QByteArray, desc);
    QFETCH(QByteArray, languageAtShow);
    QFETCH(QByteArray, languageAtClick);
    QFETCH(QString, copyLinkText);
    QtTranslations qtTexts;
    qtTexts.follow(languageAtShow);
    showWith({{"c", "Context", QByteArray(), desc}});
    QVERIFY(waitForPage());
    view()->page()->action(QWebEnginePage::CopyLinkToClipboard);
    qtTexts.follow(languageAtClick);
    clickPageCentre(Qt::RightButton);
    if (copyLinkText.isEmpty()) {
        QTest::qWait(500);
        QVERIFY(!QApplication::activePopupWidget());
        return;
    }
    QTRY_VERIFY(QApplication::activePopupWidget());
    auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(popup);
    QWebEnginePage *page = view()->page();
    QVERIFY(popup->actions().contains(page->action(QWebEnginePage::CopyLinkToClipboard)));
    QCOMPARE(page->action(QWebEnginePage::CopyLinkToClipboard)->text(), copyLinkText);
    for (const QAction *action : popup->actions()) {
        for (const auto forbidden :
             {QWebEnginePage::Back, QWebEnginePage::Forward, QWebEnginePage::Reload, QWebEnginePage::ViewSource,
              QWebEnginePage::SavePage, QWebEnginePage::OpenLinkInNewWindow, QWebEnginePage::OpenLinkInNewTab,
              QWebEnginePage::OpenLinkInThisWindow, QWebEnginePage::DownloadLinkToDisk, QWebEnginePage::InspectElement})
            QVERIFY(action != page->action(forbidden));
    }
    popup->close();
    QCOMPARE(m_opener.opened, QList<QUrl>());
}

void tst_UPelkUpdaterMessages::droppingOnThePageDoesNothing()
{
    showWith({{"d", "Drop"}});
    QVERIFY(waitForPage());
    const QUrl page = view()->page()->url();
    QVERIFY(!view()->acceptDrops());
    QWidget *target = view()->focusProxy() ? view()->focusProxy() : view();
    QVERIFY(!target->acceptDrops());
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("http://127.0.0.1:9/dropped")), QUrl::fromLocalFile(QStringLiteral("/etc/hosts"))});
    const QPoint centre(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(centre, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(centre), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QTest::qWait(500);
    QCOMPARE(view()->page()->url(), page);
    QCOMPARE(pageTitle(), QStringLiteral("Drop"));
    QCOMPARE(m_opener.opened, QList<QUrl>());
}

void tst_UPelkUpdaterMessages::pageOverTwoMegabytesShows()
{
    QByteArray desc;
    desc.reserve(3 * 1024 * 1024);
    while (desc.size() < 3 * 1024 * 1024)
        desc += "<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit.</p>\n";
    desc += "<p>END-OF-THE-BIG-PAGE</p>";
    showWith({{"big", "Big", QByteArray(), desc}});
    QVERIFY(waitForPage());
    QVERIFY(view()->currentHtml().size() > 3 * 1024 * 1024);
    QCOMPARE(pageTitle(), QStringLiteral("Big"));
    QString text;
    view()->page()->toPlainText([&text](const QString &plain) { text = plain; });
    QTRY_VERIFY_WITH_TIMEOUT(!text.isEmpty(), 10000);
    QVERIFY(text.size() > 2 * 1024 * 1024);
    QVERIFY(text.contains(QStringLiteral("END-OF-THE-BIG-PAGE")));
}

void tst_UPelkUpdaterMessages::screenshot()
{
    // PELK_SCREENSHOT=<file.png> keeps a picture of the window for a person to look at.
    const QString path = qEnvironmentVariable("PELK_SCREENSHOT");
    if (path.isEmpty())
        QSKIP("PELK_SCREENSHOT not set");
    applyEnglishTexts();
    showWith({{"r1", "Catalogue 5.2 service pack 3 is available"},
              {"h1", "Security update: please install at once", "prio=\"high\""},
              {"r2", "Read announcement with a rather long summary that goes on and on to show eliding"},
              {"n1", "New price list", QByteArray(),
               "<p>The new price list is ready. <a href=\"http://example.com/\">Download it here</a>.</p>"}},
             {"r1", "r2"});
    QVERIFY(waitForPage());
    QTest::qWait(500);
    const QImage image = m_window->grab().toImage();
    QVERIFY(!image.isNull());
    QVERIFY(image.save(path));
}

int main(int argc, char *argv[])
{
    RegisterMessagePageScheme();
    QApplication application(argc, argv);
    tst_UPelkUpdaterMessages test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_UPelkUpdaterMessages.moc"
