// Qt's own texts (dialog buttons, the file dialog) and the program's own in the
// learner's language. Most of what the windows say is Chinese in any locale;
// what is written in English first (the terminal's texts, a few messages) is
// said in Chinese where the locale asks for it.
#pragma once

class QLocale;
class QTranslator;

namespace kelp::platform {

// Installs Qt's translations for `locale` on the application (which owns
// them). Null when none are installed for it: English stays.
QTranslator *installQtTranslations(const QLocale &locale);

// Installs the program's own translations for `locale` (embedded, see
// data/translations); null when there are none for it: English stays.
QTranslator *installOwnTranslations(const QLocale &locale);

} // namespace kelp::platform
