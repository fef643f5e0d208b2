// The command line: the arguments, separated here by NUL bytes, as the system hands them over.

#include "FuzzInput.h"
#include "app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> arguments = FuzzBytes(data, size).split('\0');
    const CommandLineOptions options = ScanCommandLine(arguments);
    FUZZ_CHECK(options.CommandLineLanguage.size() <= 100);
    // "/SILENT" makes a run silent, "/AUTO" silent and automatic; nothing else does either.
    bool silentNamed = false;
    bool autoNamed = false;
    for (const QByteArray &argument : arguments) {
        silentNamed = silentNamed || argument.toUpper() == "/SILENT";
        autoNamed = autoNamed || argument.toUpper() == "/AUTO";
    }
    FUZZ_CHECK(options.AutoRun == autoNamed);
    FUZZ_CHECK(options.SilentRun == (silentNamed || autoNamed));
    return 0;
}
