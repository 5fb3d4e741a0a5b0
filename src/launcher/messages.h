// The kelpword command's own few texts in the reader's language: English, or
// Simplified Chinese where the locale asks for Chinese. A table of its own
// rather than gettext: the command stays quick (no catalogue to find and map
// before a command is sent), needs no generated locale to say it in Chinese,
// and decides the language as the Qt programs it hands over to do.
#pragma once

#include <string>

namespace kelp {

// Whether the reader wants Chinese: the first of LANGUAGE's entries, else
// LC_ALL, LC_MESSAGES or LANG (the first that is set), as Qt reads them.
bool chineseReader();

// `english` in the reader's language. An entry may hold one "%s" standing for
// any text, which is kept (a path, a command). Texts without an entry stay.
std::string translated(const std::string &english);

// The usage with its descriptions (from column 37) and labels in the reader's language.
std::string usageInReadersLanguage(const std::string &usage);

} // namespace kelp
