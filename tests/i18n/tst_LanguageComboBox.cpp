// The language selector draws "(key)" at the item's top-left corner and the description
// 42 pixels to the right, in the combo box's colours whatever the item's state.

#include "base/PelkFonts.h"
#include "i18n/LanguageComboBox.h"
#include "i18n/LanguageItemDelegate.h"
#include "i18n/Languages.h"

#include <QAbstractItemView>
#include <QImage>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QTest>

namespace {
const QColor kBackground(0xFF, 0xFF, 0xE0);
const QColor kInk(0x20, 0x20, 0x90);
constexpr int kWidth = 159;

bool isInk(QRgb pixel)
{
    // Anti-aliased text lies between the two colours; count clearly darker pixels.
    return qGray(pixel) < qGray(kBackground.rgb()) - 60;
}

// The leftmost, rightmost, top and bottom ink pixel columns / rows in the image; an
// empty rectangle when there is none.
QRect inkBounds(const QImage &image, int fromX = 0, int toX = -1)
{
    if (toX < 0)
        toX = image.width();
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = fromX; x < toX; ++x)
            if (isInk(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}
} // namespace

class tst_LanguageComboBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void itemHeightIs18();
    void keyAtTopLeftDescriptionAt42_data();
    void keyAtTopLeftDescriptionAt42();
    void longKeyDoesNotMoveDescription();
    void emptyDescriptionShowsOnlyKey();
    void onlyItemUnderMouseOrKeyboardIsHighlighted_data();
    void onlyItemUnderMouseOrKeyboardIsHighlighted();
    void closedBoxShowsCurrentItemTheSameWay();

private:
    QImage renderItem(int row, QStyle::State state = QStyle::State_Enabled, int height = 18) const;

    std::unique_ptr<LanguageComboBox> m_combo;
};

void tst_LanguageComboBox::init()
{
    m_combo = std::make_unique<LanguageComboBox>();
    m_combo->setFont(PelkFont(13));
    QPalette pal = m_combo->palette();
    pal.setColor(QPalette::Base, kBackground);
    pal.setColor(QPalette::Text, kInk);
    pal.setColor(QPalette::Highlight, Qt::red);
    pal.setColor(QPalette::HighlightedText, Qt::green);
    m_combo->setPalette(pal);
    m_combo->setLanguages({{"de", QStringLiteral("Deutsch")},
                           {"engb", QStringLiteral("English")},
                           {"x", QString()},
                           {"verylongkey", QStringLiteral("Long")}});
    m_combo->resize(kWidth, 24);
}

void tst_LanguageComboBox::cleanup()
{
    m_combo.reset();
}

QImage tst_LanguageComboBox::renderItem(int row, QStyle::State state, int height) const
{
    QImage image(kWidth, height, QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.initFrom(m_combo.get());
    option.rect = QRect(0, 0, kWidth, height);
    option.state = state;
    m_combo->languageDelegate()->paint(&painter, option, m_combo->model()->index(row, 0));
    painter.end();
    return image;
}

void tst_LanguageComboBox::itemHeightIs18()
{
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, kWidth, 40);
    QCOMPARE(m_combo->languageDelegate()->sizeHint(option, m_combo->model()->index(0, 0)).height(), 18);
    m_combo->show();
    m_combo->showPopup();
    QAbstractItemView *view = m_combo->view();
    QCOMPARE(view->visualRect(m_combo->model()->index(1, 0)).height(), 18);
    QCOMPARE(view->visualRect(m_combo->model()->index(1, 0)).top()
                 - view->visualRect(m_combo->model()->index(0, 0)).top(),
             18);
    m_combo->hidePopup();
}

void tst_LanguageComboBox::keyAtTopLeftDescriptionAt42_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("de") << 0;
    QTest::newRow("engb") << 1;
}

void tst_LanguageComboBox::keyAtTopLeftDescriptionAt42()
{
    QFETCH(int, row);
    const QImage image = renderItem(row);

    // The whole item is filled with the combo box's background: no magenta left.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QVERIFY2(image.pixel(x, y) != QColor(Qt::magenta).rgb(), "item not filled");
    QCOMPARE(QColor(image.pixel(kWidth - 1, 17)), kBackground);

    // The bracketed key sits at the top-left corner.
    const QRect key = inkBounds(image, 0, 42);
    QVERIFY(!key.isEmpty());
    QVERIFY2(key.left() <= 2, qPrintable(QString::number(key.left())));
    QVERIFY2(key.top() <= 5, qPrintable(QString::number(key.top())));

    // The description begins right at 42: its first ink column is the "D" / "E" stem.
    const QRect description = inkBounds(image, 42);
    QVERIFY(!description.isEmpty());
    QVERIFY2(description.left() >= 42 && description.left() <= 44,
             qPrintable(QString::number(description.left())));
    QVERIFY2(description.top() <= 5, qPrintable(QString::number(description.top())));
    // Key and description share one top line.
    QVERIFY(qAbs(description.top() - key.top()) <= 1);
}

void tst_LanguageComboBox::longKeyDoesNotMoveDescription()
{
    // Nothing is measured: a key wider than 42 pixels runs into the description.
    const QImage withDescription = renderItem(3);
    m_combo->setItemData(3, QString(), LanguageItemDelegate::DescriptionRole);
    const QImage keyOnly = renderItem(3);
    QRect difference;
    for (int y = 0; y < keyOnly.height(); ++y)
        for (int x = 0; x < keyOnly.width(); ++x)
            if (keyOnly.pixel(x, y) != withDescription.pixel(x, y))
                difference |= QRect(x, y, 1, 1);
    QVERIFY(!difference.isEmpty());
    QVERIFY2(difference.left() >= 42 && difference.left() <= 44,
             qPrintable(QString::number(difference.left())));
    QVERIFY(inkBounds(keyOnly).right() > 50); // the long key itself reaches beyond 42
}

void tst_LanguageComboBox::emptyDescriptionShowsOnlyKey()
{
    const QImage image = renderItem(2);
    const QRect ink = inkBounds(image);
    QVERIFY(!ink.isEmpty());
    // "(x)" is narrow: nothing drawn from 42 on.
    QVERIFY(inkBounds(image, 42).isEmpty());
    QVERIFY(ink.right() < 30);
}

void tst_LanguageComboBox::onlyItemUnderMouseOrKeyboardIsHighlighted_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("highlighted");
    QTest::newRow("selected") << int(QStyle::State_Selected) << false;
    QTest::newRow("under the keyboard") << int(QStyle::State_Selected | QStyle::State_HasFocus) << true;
    QTest::newRow("under the mouse") << int(QStyle::State_MouseOver) << true;
}

void tst_LanguageComboBox::onlyItemUnderMouseOrKeyboardIsHighlighted()
{
    QFETCH(int, state);
    QFETCH(bool, highlighted);
    const QImage plain = renderItem(0);
    const QImage drawn = renderItem(0, QStyle::State_Enabled | QStyle::StateFlag(state));
    QCOMPARE(drawn == plain, !highlighted);
    const QColor background = drawn.pixelColor(drawn.width() - 1, drawn.height() - 1);
    QCOMPARE(background, m_combo->palette().color(highlighted ? QPalette::Highlight : QPalette::Base));
}

void tst_LanguageComboBox::closedBoxShowsCurrentItemTheSameWay()
{
    m_combo->setCurrentIndex(1);
    m_combo->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_combo.get()));
    const QImage box = m_combo->grab().toImage().convertToFormat(QImage::Format_ARGB32);

    QStyleOptionComboBox option;
    option.initFrom(m_combo.get());
    option.editable = false;
    option.subControls = QStyle::SC_All;
    const QRect field = m_combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, m_combo.get());
    QVERIFY(field.width() > 42);

    const QImage expected = renderItem(1, QStyle::State_Enabled, field.height())
                                .copy(0, 0, field.width(), field.height());
    const QImage shown = box.copy(field).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shown.size(), expected.size());
    QCOMPARE(shown, expected);
    // And not the bare key that the item stores.
    QVERIFY(!inkBounds(shown, 42).isEmpty());
}

QTEST_MAIN(tst_LanguageComboBox)
#include "tst_LanguageComboBox.moc"
