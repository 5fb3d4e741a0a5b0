// The word-list formats. Each reader hands its groups and words to the
// writer; an error means the file was not understood and nothing of it stays.
#pragma once

#include "import/columns.h"
#include "import/line_reader.h"

#include <optional>

namespace kelp::import {

// "word#meaning#transcription" lines, title lines without "#".
std::optional<QString> readHashFile(LineReader &lines, StudyWriter &writer);
// CSV/TSV: word, meaning, transcription and part-of-speech columns, as
// `columnOption` ("word,phonetic,meaning") says, else by header or values.
std::optional<QString> readDelimited(LineReader &lines, QChar delimiter, const QString &columnOption,
                                     StudyWriter &writer);
// Anki's "Notes in Plain Text": "#key:value" header lines, then the notes.
std::optional<QString> readAnkiText(LineReader &lines, StudyWriter &writer);
// Anki package: a zip holding the SQLite collection.
std::optional<QString> readAnkiPackage(const QString &path, StudyWriter &writer);
// KVTML 2 (lessons become groups).
std::optional<QString> readKvtml(const QString &path, StudyWriter &writer);

// Anki field text as Anki shows it, as plain text: tags, entities and
// [sound:...] removed, line breaks and the spaces "&nbsp;" keeps kept.
QString plainText(const QString &html);

} // namespace kelp::import
