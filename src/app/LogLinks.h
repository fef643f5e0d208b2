#pragma once

#include <QList>
#include <QString>

// One piece of a log line: plain text, or a web address shown as a link.
struct LogLineSegment
{
    QString text;
    QString href; // empty for plain text
};

// Splits a log line into plain text and web addresses ("http://", "https://" and "www."
// addresses; punctuation that ends a sentence stays outside the link).
QList<LogLineSegment> SplitLogLinks(const QString &line);
