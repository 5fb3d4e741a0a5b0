// Groups on paper, or in a PDF file: each group's number and title, then
// its words with their transcriptions and meanings in a table.
#pragma once

#include "export/word_export.h"

#include <QString>

#include <vector>

class QPrinter;

namespace kelp {

// The document as HTML; the learner's texts are escaped, never markup.
QString printableHtml(const std::vector<exporting::ExportGroup> &groups);
// Prints (or, as the printer is set up, writes a PDF of) `groups`.
void printGroups(QPrinter &printer, const std::vector<exporting::ExportGroup> &groups);

} // namespace kelp
