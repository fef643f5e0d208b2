#include "base/FileReading.h"

#include <QFile>
#include <QFileInfo>

FileContent ReadWholeFile(const QString &path)
{
    FileContent content;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        content.reason = QStringLiteral("the file does not exist");
        return content;
    }
    content.state = FileContent::State::Failed;
    if (info.isDir()) {
        content.reason = QStringLiteral("it is a folder");
        return content;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        content.reason = file.errorString();
        return content;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        content.reason = file.errorString();
        return content;
    }
    content.state = FileContent::State::Read;
    content.bytes = std::move(bytes);
    return content;
}
