// The new-word notebook: a text file to which the learner appends the item
// on display, one "word#meaning#transcription" line each, in the same format
// as a word text file.
#pragma once

#include "config/safe_file.h"
#include "study/word_buffer.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace kelp {

// The line for a buffer row, without its line end; none for a group header
// or a row outside the buffer.
std::optional<QString> notebookLine(const WordBuffer &buffer, long row);

// How long another program's lock on the notebook is waited for.
inline constexpr int kNotebookLockWaitMs = 1000;

// Appends `line` + CR LF (in GB18030, or in UTF-8 when the notebook already
// is) to `path` with exclusive access, creating
// the file (and its folder) when missing. The line is written with a single
// append and synced, so earlier lines are never touched; a file whose last
// line lacks its line end gets one first, so the new line stays separate.
AppendResult appendNotebookLine(const QString &path, const QString &line);

} // namespace kelp
