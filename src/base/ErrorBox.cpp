#include "base/ErrorBox.h"

#include "base/FailureMessage.h"
#include "base/VisibleText.h"

#include <QMessageBox>

namespace {
QString &applicationTitleStorage()
{
    static QString title;
    return title;
}
} // namespace

void SetApplicationTitle(const QString &title)
{
    applicationTitleStorage() = title;
}

QString ApplicationTitle()
{
    return applicationTitleStorage();
}

QString ErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowErrorBox(QWidget *parent, const QString &message)
{
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), VisibleText(ErrorBoxText(message)),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText); // a message may quote a service or a feed
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
}

void ShowCurrentFailure(QWidget *parent) noexcept
{
    try {
        ShowErrorBox(parent, CurrentFailureMessage());
    } catch (...) {
        // Not even the box could be shown; the window goes on all the same.
    }
}
