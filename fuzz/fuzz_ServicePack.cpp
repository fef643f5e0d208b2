// The catalogue's service pack file beside the program: the installation's version data.

#include "FuzzInput.h"
#include "app/PelkError.h"
#include "sysinfo/InstallationData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WriteFuzzFile(ServicePackFileName, FuzzBytes(data, size));
    try {
        const InstallationData installation = LoadInstallationData(FuzzFolder().path() + QLatin1Char('/'));
        (void)installation;
    } catch (const PelkError &error) {
        FUZZ_CHECK(error.message().startsWith(QStringLiteral("Error loading ")));
    }
    return 0;
}
