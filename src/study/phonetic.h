// Splitting a stored meaning into its phonetic transcription and the rest.
// A transcription stands between slashes (/e'bav/) or square brackets
// ([e'bav]) in the meaning text; slashes are looked for first.
#pragma once

#include "study/word_buffer.h"

namespace kelp {

// The transcription: from the first to the last "/" (both kept), else the
// text between the first "[" and the first "]" after it, else empty.
QString extractPhonetic(const Cell &text);

// The meaning without the transcription: the text after the last "/", else
// after the first "]" (the whole text without one), else the text itself.
Cell stripPhonetic(const Cell &text);

} // namespace kelp
