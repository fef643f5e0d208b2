// The catalogue's service pack file beside the program: the installation's version data.

#include "FuzzInput.h"
#include "sysinfo/InstallationData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WriteFuzzFile(ServicePackFileName, FuzzBytes(data, size));
    const QString folder = FuzzFolder().path() + QLatin1Char('/');
    const InstallationData read = ReadInstallationData(folder);
    // A file that cannot be loaded allows nothing and says which file failed.
    if (!read.LoadFailure.isEmpty())
        FUZZ_CHECK(!read.OnlineUpdateAllowed && read.LoadFailure.contains(ServicePackPath(folder)));
    return 0;
}
