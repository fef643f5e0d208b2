#include "app/CommandLine.h"

namespace {
constexpr int kMaxLanguageCodeBytes = 100;
const QByteArray kSilentSwitch = QByteArrayLiteral("/SILENT");
const QByteArray kAutoSwitch = QByteArrayLiteral("/AUTO");
const QByteArray kLanguagePrefix = QByteArrayLiteral("/LNG:");

// Only the letters A-Z are folded (Qt 6 folds ASCII only): the rest of the 8-bit text is
// compared as it stands.
bool equalsFolded(const QByteArray &text, const QByteArray &upperCase)
{
    return text.compare(upperCase, Qt::CaseInsensitive) == 0;
}

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The first 100 bytes of the code, without a character cut in two: a partial UTF-8
// sequence at the cut would turn into a replacement character on conversion.
QByteArray limitedCode(const QByteArray &code)
{
    if (code.size() <= kMaxLanguageCodeBytes)
        return code;
    // A UTF-8 character has at most three continuation bytes.
    qsizetype end = kMaxLanguageCodeBytes;
    while (end > kMaxLanguageCodeBytes - 3 && isContinuationByte(code[end]))
        --end;
    return code.left(end);
}
} // namespace

const char *const kUsageText =
    "Usage: PelkUpdater [/SILENT | /AUTO] [/LNG:<language>]\n"
    "Checks the Orbel catalogue's update service for new messages.\n"
    "\n"
    "  (none)           the window, in the language used last\n"
    "  /SILENT          one check without the window; the messages window only when a message is new\n"
    "  /AUTO            as /SILENT, only when automatic checks are switched on and no check\n"
    "                   succeeded in the last 20 hours; ends with 1 when the check failed,\n"
    "                   2 when the installation allows no online check\n"
    "  /LNG:<language>  the language, a key of the INI file's [Langs] section (de, engb)\n"
    "  --help, /?       this text\n"
    "  --version        the program's version\n"
    "  --show-settings  every setting in effect and where it comes from (default, user, administrator)\n"
    "  --show-request   the form body the next check would send, exactly; sends and stores nothing\n"
    "\n"
    "See the manual page PelkUpdater(1) for the files it reads and what a check sends.\n";

CommandLineOptions ScanCommandLine(const QList<QByteArray> &arguments)
{
    CommandLineOptions options;
    for (const QByteArray &argument : arguments) {
        if (equalsFolded(argument, kSilentSwitch))
            options.SilentRun = true;
        else if (equalsFolded(argument, kAutoSwitch))
            options.SilentRun = options.AutoRun = true;
        else if (equalsFolded(argument.left(kLanguagePrefix.size()), kLanguagePrefix))
            options.CommandLineLanguage = limitedCode(argument.mid(kLanguagePrefix.size()));
        else if (argument == "--help" || argument == "/?")
            options.ShowHelp = true;
        else if (argument == "--version")
            options.ShowVersion = true;
        else if (argument == "--show-settings")
            options.ShowSettings = true;
        else if (argument == "--show-request")
            options.ShowRequest = true;
    }
    return options;
}
