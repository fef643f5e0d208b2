// The catalogue's service pack file beside the program: the installation's version data.

#include "FuzzInput.h"
#include "base/PelkError.h"
#include "sysinfo/InstallationData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WriteFuzzFile(ServicePackFileName, FuzzBytes(data, size));
    const QString folder = FuzzFolder().path() + QLatin1Char('/');
    const InstallationData read = ReadInstallationData(folder);
    try {
        const InstallationData loaded = LoadInstallationData(folder);
        FUZZ_CHECK(read.LoadFailure.isEmpty() && loaded.ProgVersion == read.ProgVersion);
    } catch (const PelkError &error) {
        FUZZ_CHECK(!read.LoadFailure.isEmpty());
        FUZZ_CHECK(error.message().startsWith(QStringLiteral("Error loading ")));
    }
    return 0;
}
