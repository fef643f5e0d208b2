#pragma once

#include <QByteArray>
#include <QList>

// What the command line asks for; filled before any window exists and never changed afterwards.
struct CommandLineOptions
{
    bool SilentRun = false;
    // "/AUTO": a silent run that checks only when the user wants automatic checks.
    bool AutoRun = false;
    QByteArray CommandLineLanguage; // UTF-8, at most 100 bytes
    // "--help" or "/?", "--version": print and end, before anything else happens.
    bool ShowHelp = false;
    bool ShowVersion = false;
    // "--show-settings": print every setting in effect and where it comes from, and end.
    bool ShowSettings = false;
    // "--show-request": print the form body the next check would send, and end.
    bool ShowRequest = false;
};

// What "--help" prints.
extern const char *const kUsageText;

// Scans the arguments (without the program's own path) in order: "/SILENT", "/AUTO" (which
// also makes the run silent) and "/LNG:<code>", letters A-Z compared without regard to case;
// the last "/LNG:" wins; "--help", "/?", "--version", "--show-settings" and
// "--show-request" as they stand; anything else is ignored.
CommandLineOptions ScanCommandLine(const QList<QByteArray> &arguments);
