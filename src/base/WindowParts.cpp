#include "base/WindowParts.h"

#include <QLabel>
#include <QScreen>
#include <QWidget>

QLabel *MakePlainLabel(QWidget *parent, const char *name, const QFont &font)
{
    auto *label = named(new QLabel(parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    return label;
}

void SetLiteralWindowTitle(QWidget &window, const QString &title)
{
    window.setWindowTitle(QString(title).replace(QLatin1String("[*]"), QLatin1String("[*][*]")));
}

void CentreOnScreen(QWidget &window, const QScreen &screen, const QSize &outerSize)
{
    const QRect available = screen.availableGeometry();
    window.move(qMax(available.left(), available.left() + (available.width() - outerSize.width()) / 2),
                qMax(available.top(), available.top() + (available.height() - outerSize.height()) / 2));
}

QSize WindowFrameAllowance()
{
    return QSize(16, 38);
}

QSize FittedClientSize(const QScreen &screen, const QSize &designed)
{
    const QSize room = screen.availableGeometry().size() - WindowFrameAllowance();
    return designed.boundedTo(room.expandedTo(QSize(1, 1)));
}
