// Taking words elsewhere: the study database's groups or the notebook as a
// CSV file (UTF-8, a header row), a "#" word file (GB18030, CR LF, as the
// Windows version reads it) or an Anki package (the older collection layout
// every Anki version imports). Each reads back through "kelpword import"
// into the same groups, titles, words and order.
#pragma once

#include "studydb/word_store.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace kelp::exporting {

// A word as the trainer shows it.
struct PlainWord {
    QString word;
    QString transcription; // without its slashes or brackets
    QString meaning;
    bool operator==(const PlainWord &) const = default;
};

struct ExportGroup {
    int number = 0;
    QString title;
    std::vector<PlainWord> words;
};

// A stored word split as the trainer splits fb.lx2: transcription, meaning.
PlainWord plainWord(const QString &word, const QString &stored);

std::vector<ExportGroup> exportGroups(const std::vector<StoredGroup> &groups);

// The notebook's words, in order and each once, as one group titled `title`.
std::optional<QString> readNotebook(const QString &path, const QString &title, ExportGroup &group);

enum class Format { Csv, WordText, AnkiPackage, Unknown };
// From the file name's ending: .csv, .txt, .apkg.
Format formatOf(const QString &path);

// Puts the next groups in `groups`, none when there are no more; the error
// when they could not be read.
using GroupReader = std::function<std::optional<QString>(std::vector<ExportGroup> &groups)>;
// A reader of `groups` (which must outlive it) all at once.
GroupReader readOnce(const std::vector<ExportGroup> &groups);

// What the learner's answers left: each word's answers and its memory, by
// the word. The CSV file carries them at the end of each word's row, so an
// import brings the memories back.
struct AnswerHistory {
    AnswerLog answers;
    QHash<QString, WordMemory> memories;
};

// Writes `groups` to `path` in the format its name ends in; the file is
// replaced whole or not at all.
std::optional<QString> writeFile(const QString &path, const std::vector<ExportGroup> &groups,
                                 const AnswerHistory &history = {});

// The same with the groups read a range at a time: a CSV or word file is
// written as they come, so that a large book is never held whole.
std::optional<QString> writeFile(const QString &path, const GroupReader &next, const AnswerHistory &history = {});

QByteArray csvBytes(const std::vector<ExportGroup> &groups, const AnswerHistory &history = {});
QByteArray wordTextBytes(const std::vector<ExportGroup> &groups);
std::optional<QString> writeAnkiPackage(const QString &path, const std::vector<ExportGroup> &groups,
                                        const AnswerHistory &history = {});
std::optional<QString> writeAnkiPackage(const QString &path, const GroupReader &next,
                                        const AnswerHistory &history = {});

// A title for a group that has none (an empty one would read back as no group).
QString titleOrNumber(const ExportGroup &group);

} // namespace kelp::exporting
