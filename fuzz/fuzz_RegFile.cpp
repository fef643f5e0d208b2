// The settings store's file: a .reg document as the registry editor exports it, read as the
// store reads it, salvaging what it can. What the reader takes it must write back so that the
// next read gets the same document, undamaged.

#include "FuzzInput.h"
#include "settings/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const RegFile::Reading reading = RegFile::read(bytes);
    const std::optional<RegFile> whole = RegFile::parse(bytes);
    FUZZ_CHECK(whole.has_value() == !reading.damaged);

    const QByteArray written = reading.content.toBytes();
    const RegFile::Reading reread = RegFile::read(written);
    FUZZ_CHECK(!reread.damaged);
    FUZZ_CHECK(reread.content.toBytes() == written);
    return 0;
}
