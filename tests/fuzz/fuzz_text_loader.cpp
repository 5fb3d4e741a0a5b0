// The word-file loader on arbitrary bytes: every line becomes one row (plus
// a heading every ten words in a file without titles), and every row has a
// word or group number.
#include "config/codec.h"
#include "study/text_loader.h"

#include <cstdint>
#include <cstdlib>

using namespace kelp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString text = codec::decodeFile(bytes);
    const long lines = text.isEmpty() ? 0 : text.count(QLatin1Char('\n')) + (text.endsWith(QLatin1Char('\n')) ? 0 : 1);
    // From the decoded text, and from the bytes kept as they are.
    WordBuffer fromText;
    loadWordText(text, fromText);
    WordBuffer fromBytes;
    loadWordBytes(bytes, fromBytes);
    for (const WordBuffer *words : {&fromText, &fromBytes}) {
        if (words->rowCount() < lines || words->rowCount() > lines + lines / 10 + 1)
            std::abort();
        for (long row = 1; row <= words->rowCount(); ++row) {
            if (!words->item(row, kWordColumn))
                std::abort();
        }
    }
    return 0;
}
