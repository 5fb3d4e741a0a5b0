// Qt's own texts (dialog buttons, the file dialog) in the learner's language;
// the program's own texts are Chinese already.
#pragma once

class QLocale;
class QTranslator;

namespace kelp::platform {

// Installs Qt's translations for `locale` on the application (which owns
// them). Null when none are installed for it: English stays.
QTranslator *installQtTranslations(const QLocale &locale);

} // namespace kelp::platform
