// Reading the whole configuration at start-up, and the writes the word window
// makes when it closes.
#pragma once

#include "config/app_globals.h"
#include "config/ini_file.h"

#include <functional>

namespace kelp {

// Section and key names of wkcfg.ini.
namespace ini {
inline const QString kOdbc = QStringLiteral("ODBC");
inline const QString kStart = QStringLiteral("Start");
inline const QString kYwqx = QStringLiteral("YWQX");
inline const QString kTts = QStringLiteral("TTS");
inline const QString kSjly = QStringLiteral("sjly");
inline const QString kTimer = QStringLiteral("timer");
inline const QString kMtlj = QStringLiteral("MTLJ");
inline const QString kOther = QStringLiteral("other");
} // namespace ini

// The word window's own values read from the configuration.
struct TranspSettings {
    int winx = 0;
    int winy = 0;
    QString ls_uid;
    QString ls_pwd;
    long reci = 0; // row shown first; kept as passed in for an unknown mode
};

// Reads every key into `g` and `w` in the fixed order, registers the data
// source on the first run (through `regodbc`, then writes First=false) and
// parses the review cycle. The file's existence has been settled before.
void readProfile(IniFile &ini, AppGlobals &g, TranspSettings &w, const std::function<void()> &regodbc);

// Reads a stored date; an invalid QDate when the text is not a date.
QDate parseProfileDate(const QString &text);
QString formatProfileDate(const QDate &date);

// Stores the resume row of the current mode (and, in review mode without the
// fallback, today as the last day of study). Returns false when a write failed.
bool writeResumeRow(IniFile &ini, AppGlobals &g, long reci);

// The timer interval in milliseconds for `jg` seconds: at least one second,
// so a hand-edited 0 or negative value can neither spin nor stop the cycle,
// and at most a day, so the milliseconds cannot overflow.
int timerIntervalMs(int jg);

} // namespace kelp
