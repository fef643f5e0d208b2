// A yardstick of the start-up benchmark: a bare Qt Widgets window with the controls and texts
// of PelkUpdater's main window in its first language (title, check link, log box, language
// label and selector, settings and exit buttons, on the same panels at the same places, in the
// same fonts) and no logic behind them: no pictures, no INI file, no settings, no other windows.
// Like PelkUpdater with PELK_QUIT_AFTER_FIRST_PAINT=1, it quits once it has been painted.

#include "QuitAtFirstPaint.h"
#include "base/PelkFonts.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

namespace {
constexpr int kWidth = 818;
constexpr int kHeight = 581;
constexpr int kBottomHeight = 57;

QFrame *panel(QWidget *parent, const QColor &color, const QRect &geometry)
{
    auto *frame = new QFrame(parent);
    frame->setAutoFillBackground(true);
    QPalette pal = frame->palette();
    pal.setColor(QPalette::Window, color);
    frame->setPalette(pal);
    frame->setGeometry(geometry);
    return frame;
}

QLabel *label(QWidget *parent, const QString &text, int pixelSize, const QRect &geometry)
{
    auto *result = new QLabel(text, parent);
    result->setFont(PelkFont(pixelSize));
    result->setGeometry(geometry);
    return result;
}

class ControlsWindow : public QuitAtFirstPaint
{
public:
    ControlsWindow()
    {
        const QString title = QStringLiteral("Orbel - Katalog - Nach Updates suchen");
        setWindowTitle(title);
        setFixedSize(kWidth, kHeight);
        setFont(PelkFont(13));

        QFrame *titlePanel = panel(this, Qt::white, QRect(0, 118, kWidth, 81));
        label(titlePanel, title, 27, QRect(80, 24, kWidth - 88, 40))->setAlignment(Qt::AlignLeft | Qt::AlignTop);

        const int bottomTop = kHeight - kBottomHeight;
        QFrame *items = panel(this, Qt::white, QRect(0, 200, kWidth, bottomTop - 200));
        label(items, QStringLiteral("Nach Updates suchen"), 24, QRect(80, 28, 261, 33));
        auto *log = new QTextEdit(items);
        log->setGeometry(80, 80, 529, 193);
        log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        log->setReadOnly(true);

        QFrame *language = panel(items, QColor(0xDD, 0xEA, 0xF7), QRect(634, 18, 176, 84));
        label(language, QStringLiteral("Sprache"), 24, QRect(9, 6, 158, 32));
        auto *selector = new QComboBox(language);
        selector->addItems({QStringLiteral("(de) Deutsch"), QStringLiteral("(engb) English")});
        selector->setGeometry(9, 51, 159, 24);

        QFrame *bottom = panel(this, QColor(0xF2, 0xF2, 0xF2), QRect(0, bottomTop, kWidth, kBottomHeight));
        (new QPushButton(QStringLiteral("Einstellungen"), bottom))->setGeometry(19, 21, 131, 19);
        (new QPushButton(QStringLiteral("Beenden"), bottom))->setGeometry(667, 21, 131, 19);
    }
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    ControlsWindow window;
    window.show();
    application.exec();
    return 0;
}
