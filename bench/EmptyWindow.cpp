// The yardstick of the start-up benchmark: a Qt Widgets program that shows one empty
// window of the main window's size and, like PelkUpdater with PELK_QUIT_AFTER_FIRST_PAINT=1,
// quits once it has been painted.

#include "QuitAtFirstPaint.h"

#include <QApplication>

namespace {
class EmptyWindow : public QuitAtFirstPaint
{
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    EmptyWindow window;
    window.setFixedSize(818, 581);
    window.show();
    application.exec();
    return 0;
}
