// Diagnostic categories, one per layer. Diagnostics go to stderr (as
// "kelpword: ..."); the learner sees message boxes only where the program's
// own texts say so. Enable debug output with QT_LOGGING_RULES="kelp.*.debug=true".
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcConfig)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcStudy)
Q_DECLARE_LOGGING_CATEGORY(lcSession)
Q_DECLARE_LOGGING_CATEGORY(lcSpeech)
Q_DECLARE_LOGGING_CATEGORY(lcWordWindow)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
