// The settings of wkcfg.ini: one table of keys (section, name, default and
// the range a value is held to), the values read from it at start-up, and
// the writes made while the program runs. Defaults are stated only here.
#pragma once

#include "config/ini_file.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <climits>
#include <functional>

namespace kelp {

struct TextKey {
    const char *section;
    const char *name;
    const char *defaultValue;
    bool emptyMeansDefault = false; // an empty value is taken as missing
};

struct IntKey {
    const char *section;
    const char *name;
    int defaultValue;
    int min = INT_MIN;
    int max = INT_MAX;
};

namespace keys {
inline constexpr TextKey dbms{"ODBC", "DBMS", "ODBC"};
inline constexpr TextKey firstRun{"Start", "First", "true"};
inline constexpr TextKey dataSourceName{"ODBC", "DSN_Name", "kelp1"};
inline constexpr TextKey userName{"ODBC", "USER_Name", ""};
inline constexpr TextKey password{"ODBC", "USER_pw", ""};
inline constexpr TextKey autoCommit{"ODBC", "AutoCommit", "true"};
// New groups per day of the study plan; 0 (or missing): no plan, the database is never written.
inline constexpr IntKey newGroupsPerDay{"plan", "new", 0, 0, 1000};
inline constexpr TextKey reviewCycle{"YWQX", "XXTS", "1t2t4t7t15t"};
inline constexpr IntKey voice{"TTS", "index1", 1};
inline constexpr IntKey audioOutput{"TTS", "index2", 1};
inline constexpr IntKey sourceMode{"sjly", "sjms", 1};
inline constexpr IntKey resumeRowReview{"timer", "reci1", 1};
inline constexpr IntKey resumeRowRange{"timer", "reci2", 2};
inline constexpr IntKey resumeRowText{"timer", "reci3", 3};
inline constexpr TextKey groupRange{"sjly", "gtfz", "1-10", true};
inline constexpr TextKey wordFile{"sjly", "wbwj", "New_Word.txt", true};
inline constexpr TextKey lastStudyDay{"sjly", "lssj", "2012-10-10"};
inline constexpr TextKey recordingsFolder{"MTLJ", "wav", ""};
// Seconds between two steps: a hand-edited 0 or below can neither spin nor
// stop the cycle, and a day at most keeps the milliseconds in range.
inline constexpr IntKey interval{"timer", "jg", 3, 1, 86400};
// The eight commands' hot keys, fixed, in the toolkit's portable key text:
// hide, mute, notebook, next and previous item, next and previous group, pause.
inline constexpr const char *commandHotKeys[] = {"Alt+Z", "Alt+A", "Alt+D", "Right", "Left", "Up", "Down", "Alt+X"};
// The two answers' hot keys, in the toolkit's portable key text.
inline constexpr TextKey knowKey{"grade", "know", "Alt+S", true};
inline constexpr TextKey forgotKey{"grade", "forgot", "Alt+W", true};
// How likely a word is to be recalled on its next review day, in percent.
inline constexpr IntKey desiredRetention{"grade", "retention", 90, 70, 97};
inline constexpr IntKey windowX{"other", "winx", 0};
inline constexpr IntKey windowY{"other", "winy", 0};
inline constexpr IntKey halfTransparent{"other", "sftm", 1};
inline constexpr IntKey textColour{"other", "c1", 3};
inline constexpr IntKey labelColour{"other", "c2", 21};
inline constexpr IntKey windowColour{"other", "c3", 2};
// 0: the four plain arrow keys are left to the other programs.
inline constexpr IntKey arrowHotKeys{"hotkey", "arrows", 1};
} // namespace keys

// Where the study material comes from. Other stored numbers load nothing.
enum class SourceMode : int { Review = 1, GroupRange = 2, TextFile = 3 };

inline bool isDatabaseMode(SourceMode mode)
{
    return mode == SourceMode::Review || mode == SourceMode::GroupRange;
}

// Reads and writes single keys of the settings file.
class SettingsFile {
public:
    explicit SettingsFile(const QString &path = QString()) : ini_(path) {}

    const QString &path() const { return ini_.path(); }
    void setPath(const QString &path) { ini_.setPath(path); }

    QString read(const TextKey &key) const;
    int read(const IntKey &key) const; // held to the key's range
    bool write(const TextKey &key, const QString &value);
    bool write(const IntKey &key, int value);

    QString errorString() const { return ini_.errorString(); }
    IniFile &ini() { return ini_; }

    // Told of every write, in order ("section/key"); for tests and diagnostics.
    std::function<void(const QString &)> onWrite;

private:
    IniFile ini_;
};

// The values read at start-up, shared by every window for the whole run.
// What a voice setting below 1 says instead of a voice: speech could not be
// set up, or a spoken word failed. Stored as these numbers in the settings file.
enum SpeechFailure : int {
    kNoSpeechEngine = -1,
    kNoVoice = -2,
    kNoAudioOutput = -3,
    kSpeechFailed = -4, // the voice does not exist, or a spoken word failed
};

struct Settings {
    QString dbms;
    bool firstRun = false; // "First" is exactly "true"
    QString dataSourceName;
    QString userName;
    QString password;
    QString reviewCycle;
    // Its day counts per stage 1..7, parsed by load(); the settings
    // window shows and edits these (a saved 0 stays 0 until the next start).
    std::array<int, 8> reviewDays{};
    int voice = keys::voice.defaultValue; // or a SpeechFailure
    int audioOutput = keys::audioOutput.defaultValue;
    SourceMode sourceMode = SourceMode(keys::sourceMode.defaultValue);
    int resumeRowReview = keys::resumeRowReview.defaultValue;
    int resumeRowRange = keys::resumeRowRange.defaultValue;
    int resumeRowText = keys::resumeRowText.defaultValue;
    QString groupRange;
    QString wordFile;
    QDate lastStudyDay;       // invalid when unreadable; read in review mode only
    QString recordingsFolder; // empty: <program folder>/wav
    int interval = keys::interval.defaultValue;
    int windowX = keys::windowX.defaultValue;
    int windowY = keys::windowY.defaultValue;
    int halfTransparent = keys::halfTransparent.defaultValue;
    int textColour = keys::textColour.defaultValue;
    int labelColour = keys::labelColour.defaultValue;
    int windowColour = keys::windowColour.defaultValue;
    int arrowHotKeys = keys::arrowHotKeys.defaultValue;
    int newGroupsPerDay = keys::newGroupsPerDay.defaultValue; // 0: no study plan
    bool autoCommit = true;                                   // the study database commits each statement by itself

    // Every key of the table above.
    static Settings load(const SettingsFile &file);
};

// The settings file as a start read it: its bytes and their values, so a
// load made ahead can tell whether the file changed since.
struct SettingsSnapshot {
    QString path;
    QByteArray bytes; // empty: no file, or an unreadable one
    Settings settings;

    static SettingsSnapshot read(const QString &path);
    bool isCurrent() const; // the file holds `bytes` still
};

// Whether the study database connection commits each statement by itself
// (AutoCommit is exactly "true", or missing).
bool readAutoCommit(const SettingsFile &file);

// The row shown first: the saved row of the mode (in review mode only when
// the last study day is today, since the due groups change daily);
// `current` for a mode that loads nothing.
long resumeRowAtStart(const Settings &settings, const QDate &today, long current);

// Stores the resume row of the current mode, and in review mode (unless it
// fell back to the range) today as the last study day. False when a write failed.
bool saveResumeRow(SettingsFile &file, Settings &settings, long row, bool fellBack, const QDate &today);

// A stored date; invalid when the text is not a date.
QDate parseSettingsDate(const QString &text);
QString formatSettingsDate(const QDate &date);

} // namespace kelp
