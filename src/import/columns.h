// Which column of a word list holds what: by the names in its header, by
// what its values look like, or as the learner said (--columns).
#pragma once

#include "studydb/study_writer.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace kelp::import {

using Word = StudyWord;

enum class Role { Word, Transcription, PartOfSpeech, Meaning, Number, Other };

// The role a header name (English or Chinese) gives its column.
Role roleOfName(const QString &name);

// "/…/" or "[…]".
bool looksLikeTranscription(const QString &text);

struct Columns {
    int word = -1;
    int transcription = -1;
    int partOfSpeech = -1;
    int meaning = -1;
    int answers = -1; // "reviews": the learner's answers, as this program's CSV files carry them
    bool valid() const { return word >= 0 && meaning >= 0 && word != meaning; }
};

// The columns a header names. `isHeader` says whether the row is a header at
// all (names only, no data); the result is unset when it is one that leaves
// the word or the meaning open.
std::optional<Columns> columnsByName(const QStringList &names, bool *isHeader);

// The columns of rows without a header, from their values: the first column
// of English words is the word, one of transcriptions the transcription, one
// of parts of speech ("n.", "v.") the part of speech, and the next one the
// meaning: the one Chinese column, else the only one left; not `strict`,
// the first one left. Roles `known` already are kept. Unset when the columns
// cannot be told apart.
std::optional<Columns> columnsByContent(const QList<QStringList> &rows, Columns known = {}, bool strict = true);

// "--columns word,phonetic,meaning": one name a column ("-" skips one).
std::optional<Columns> columnsFromOption(const QString &option, QString *error);

// The word of one record; the part of speech goes before the meaning ("n. 苹果").
Word wordFromFields(const QStringList &fields, const Columns &columns);

// The title when a record is a group title: one field, not the meaning,
// and nothing else ("Unit 1,,"); a null text otherwise.
QString titleOfRow(const QStringList &fields, const Columns &columns = {});

} // namespace kelp::import
