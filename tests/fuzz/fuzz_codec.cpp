// The encodings on arbitrary bytes: decoding never fails, the quick encoding
// verdict is the sniffer's, and any text goes through GB18030 and back
// unchanged.
#include "config/codec.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace kelp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString file = codec::decodeFile(bytes);
    // The quick verdict is the byte-by-byte one.
    codec::EncodingSniffer sniffer;
    sniffer.feed(bytes);
    if (codec::detect(bytes) != sniffer.verdict().encoding)
        std::abort();
    (void)codec::gbkLength(file);
    // A leading U+FEFF is a byte-order mark to the decoders and may go.
    const auto unmarked = [](QString s) {
        while (s.startsWith(QChar(0xFEFF)))
            s.remove(0, 1);
        return s;
    };
    const QString text = QString::fromUtf8(bytes);
    // Private-use characters are left out: GB18030's editions map some of
    // them to standard characters and back differently.
    const bool privateUse =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF; });
    if (!privateUse && unmarked(codec::fromGb18030(codec::toGb18030(text))) != unmarked(text))
        std::abort();
    if (unmarked(codec::decode(codec::encode(text, codec::Encoding::Utf8), codec::Encoding::Utf8)) != unmarked(text))
        std::abort();
    return 0;
}
