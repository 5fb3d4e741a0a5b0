// Splitting a stored meaning on arbitrary text: the transcription is a part
// of the text and the meaning is its end.
#include "study/phonetic.h"

#include <cstdint>
#include <cstdlib>

using namespace kelp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString phonetic = extractPhonetic(Cell(text));
    const Cell meaning = stripPhonetic(Cell(text));
    if (!text.contains(phonetic) || !meaning || !text.endsWith(*meaning))
        std::abort();
    if (!extractPhonetic(std::nullopt).isEmpty() || stripPhonetic(std::nullopt))
        std::abort();
    return 0;
}
