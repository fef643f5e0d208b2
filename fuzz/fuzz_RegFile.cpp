// The settings store's file: a .reg document as the registry editor exports it. What the
// reader takes it must write back so that the next read gets the same document.

#include "FuzzInput.h"
#include "settings/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<RegFile> document = RegFile::parse(FuzzBytes(data, size));
    if (!document)
        return 0;
    const QByteArray written = document->toBytes();
    const std::optional<RegFile> reread = RegFile::parse(written);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(reread->toBytes() == written);
    return 0;
}
