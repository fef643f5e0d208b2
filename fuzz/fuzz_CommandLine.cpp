// The command line: the arguments, separated here by NUL bytes, as the system hands them over.

#include "FuzzInput.h"
#include "app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> arguments = FuzzBytes(data, size).split('\0');
    const CommandLineOptions options = ScanCommandLine(arguments);
    FUZZ_CHECK(options.CommandLineLanguage.size() <= 100);
    if (options.SilentRun) {
        bool named = false;
        for (const QByteArray &argument : arguments)
            named = named || argument.toUpper() == "/SILENT";
        FUZZ_CHECK(named);
    }
    return 0;
}
