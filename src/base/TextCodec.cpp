#include "base/TextCodec.h"

#include <QStringDecoder>

#include <cctype>
#include <cerrno>
#include <iconv.h>

namespace {

// Code page 1252 from 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// An encoding name as XML declares one. Anything else could carry the converter's own
// options ("//IGNORE" would drop what it cannot read).
bool isEncodingName(const QByteArray &name)
{
    if (name.isEmpty() || !std::isalpha(uchar(name[0])))
        return false;
    for (const char c : name) {
        if (!std::isalnum(uchar(c)) && c != '.' && c != '_' && c != '-')
            return false;
    }
    return true;
}

class IconvHandle
{
public:
    IconvHandle(const char *to, const char *from) : m_handle(::iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (isValid())
            ::iconv_close(m_handle);
    }
    IconvHandle(const IconvHandle &) = delete;
    IconvHandle &operator=(const IconvHandle &) = delete;

    bool isValid() const { return m_handle != iconv_t(-1); }
    iconv_t get() const { return m_handle; }

private:
    iconv_t m_handle;
};

} // namespace

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const uchar byte = uchar(c);
        *out++ = QChar(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

QString DecodeUtf8OrWindows1252(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    return decoder.hasError() ? DecodeWindows1252(bytes) : text;
}

Utf8Conversion ConvertToUtf8(QByteArrayView bytes, const QByteArray &encoding, QByteArray &utf8)
{
    utf8.clear();
    if (!isEncodingName(encoding))
        return Utf8Conversion::UnknownEncoding;
    const IconvHandle converter("UTF-8", encoding.constData());
    if (!converter.isValid())
        return Utf8Conversion::UnknownEncoding;

    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    QByteArray out(qMax<qsizetype>(64, bytes.size() * 2), Qt::Uninitialized);
    qsizetype used = 0;
    // The final call with no input lets a stateful encoding close its last sequence.
    for (bool flushing = false;;) {
        char *outPtr = out.data() + used;
        size_t outLeft = size_t(out.size() - used);
        const size_t result = flushing ? ::iconv(converter.get(), nullptr, nullptr, &outPtr, &outLeft)
                                       : ::iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        used = outPtr - out.data();
        if (result != size_t(-1)) {
            if (flushing)
                break;
            flushing = true;
            continue;
        }
        if (errno != E2BIG)
            return Utf8Conversion::InvalidText; // EILSEQ: no such character; EINVAL: cut short
        out.resize(out.size() * 2);
    }
    out.truncate(used);
    utf8 = std::move(out);
    return Utf8Conversion::Converted;
}
