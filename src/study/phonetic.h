// A stored meaning (fb.lx2) holds a word's transcription and its meaning in
// one text: "/e'bav/ prep. 在…上面". The Windows version reads it too, so the
// split rule stays as it is; the writing side makes sure it is never misread.
#pragma once

#include "study/word_buffer.h"

#include <QStringView>

namespace kelp {

// The transcription: from the first to the last "/" (both kept), else the
// text between the first "[" and the first "]" after it, else empty.
QString extractPhonetic(const Cell &text);

// The meaning without the transcription: the text after the last "/", else
// after the first "]" (the whole text without one), else the text itself.
Cell stripPhonetic(const Cell &text);

// The transcription without the slashes or brackets around it (also several
// layers of them, as a word file's loader adds its own).
QString bareTranscription(QStringView text);

// The text to store for `meaning` and `transcription`: "/transcription/ meaning",
// or the meaning alone. Slashes and square brackets inside either part become
// their full-width forms ("／", "［", "］"), so that a label such as "[计]" or
// "和/或" in a meaning is never split off as a transcription.
QString storedMeaning(QStringView meaning, QStringView transcription);

struct SplitMeaning {
    QString transcription; // bare, as bareTranscription gives it
    QString meaning;       // trimmed
};
// A stored meaning as the trainer splits it, both parts trimmed.
SplitMeaning splitStoredMeaning(const QString &stored);

} // namespace kelp
