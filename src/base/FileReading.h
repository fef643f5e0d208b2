#pragma once

#include <QByteArray>
#include <QString>

// A whole file read into memory, or why it could not be: the readers of the program's
// files tell the user which file failed and why, in the same words.
struct FileContent
{
    enum class State { Read, Missing, Failed };
    State state = State::Missing;
    QByteArray bytes;
    // For Missing and Failed: "the file does not exist", "it is a folder", or the system's reason.
    QString reason;
};

FileContent ReadWholeFile(const QString &path);
