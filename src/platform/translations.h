// Qt's own texts (dialog buttons, the file dialog) in the learner's language;
// the program's own texts are Chinese already.
#pragma once

class QLocale;

namespace kelp::platform {

// Installs Qt's translations for `locale` on the application. False when
// none are installed for it (English stays).
bool installQtTranslations(const QLocale &locale);

} // namespace kelp::platform
