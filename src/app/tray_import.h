// The tray menu's "导入单词…": word lists chosen in a file dialog go through
// the same import as "kelpword import", run by kelpword-study in a process of
// its own so that the word window goes on meanwhile; its summary or refusal
// shows in a message box.
#pragma once

class QMenu;
class QString;

namespace kelp {

// Adds "导入单词…" at the end of `menu`; it imports into the study
// database of the program folder `folder` (its file, or the server its data
// source names).
void addImportEntry(QMenu &menu, const QString &folder);

} // namespace kelp
