// One run of the word window: its start-up sequence, in a fixed order, and
// its close. Owns the settings, the session, the window and its hot keys.
#pragma once

#include "app/start_loader.h"
#include "config/program_folder.h"
#include "config/settings.h"
#include "studydb/study_load.h"

#include <QDate>
#include <QPointer>

#include <exception>
#include <functional>
#include <memory>

namespace kelp {

class ColourWindow;
class SettingsWindow;
class Commands;
class HotKeyBinding;
class Pronouncer;
class StudySession;
class WindowPlacement;
class WordWindow;
class StudyDatabase;
class AnswerRecorder;
struct StudyMaterial;
namespace platform {
class Desktop;
class GlobalHotKeys;
} // namespace platform

class StudyRun {
public:
    // `terminating` tells whether the program was asked to end meanwhile
    // (asked after every dialog of the start-up).
    // `onError` takes the speech engine's errors that the start-up meets.
    // `loader` loads the study material (and outlives the run).
    StudyRun(platform::Desktop &desktop, StartLoader &loader, std::function<bool()> terminating,
             std::function<void(std::exception_ptr)> onError);
    ~StudyRun();

    // The start-up sequence. False when the program has to end: no settings
    // file could be found, the study database could not be read, or the
    // program was asked to end meanwhile.
    bool start();

    // The window's close: the resume row and the position are saved and
    // the hot keys given back. Runs once.
    void finish();
    // The same save for when the desktop session saves its state.
    void persist();
    // The save when the window system is already gone: no window calls.
    void saveWithoutWindowSystem();

    // The program's first start in its folder: the window's place may still
    // have to be found.
    void setFirstStart(bool first) { firstStart_ = first; }
    // Called once the word window has first been painted, before the hot keys
    // are taken and speech is set up.
    void setAfterFirstPaint(std::function<void()> hook) { afterFirstPaint_ = std::move(hook); }
    // Called once when filling the word buffer takes longer than StartLoader::kSlowStartMs.
    void setSlowStartNotice(std::function<void()> notice, std::function<void()> end)
    {
        slowStart_ = std::move(notice);
        slowStartEnd_ = std::move(end);
    }

    // What "保存且重启" of the settings window runs.
    void setRestart(std::function<void()> restart) { restart_ = std::move(restart); }

    // The date moved on since the start, and the study plan wants the new
    // day's groups (review mode with [plan] new of 1 or more).
    bool dayTurned() const;

    // The voice number, or a speech failure code.
    int voice() const { return settings_.voice; }
    // After a failed call of the speech engine: every word goes the recording
    // way; with `persist` the settings file keeps it for the next start.
    void switchSpeechOff(bool persist);

    WordWindow *window() const { return window_.get(); }
    Commands *commands() const { return commands_.get(); }
    // A word corrected in the words window, shown at once where it is loaded.
    void correctWord(int group, const QString &oldWord, const QString &oldStored, const QString &word,
                     const QString &stored);

private:
    bool findSettingsFile();
    void endSlowStart();
    void openColourWindow();
    void openSettingsWindow();
    void saveResumeRow();
    void finishOnce();

    platform::Desktop &desktop_;
    StartLoader &loader_;
    std::function<bool()> terminating_;
    std::function<void(std::exception_ptr)> onError_;
    ProgramFolder folder_;
    QDate today_;
    SettingsFile file_;
    Settings settings_;
    bool fellBack_ = false;
    bool reRegistered_ = false;
    bool finished_ = false;

    std::unique_ptr<Pronouncer> pronouncer_;
    std::unique_ptr<StudySession> session_;
    std::unique_ptr<WordWindow> window_;
    std::unique_ptr<WindowPlacement> placement_;
    std::unique_ptr<Commands> commands_;
    std::unique_ptr<platform::GlobalHotKeys> hotKeys_;
    std::unique_ptr<HotKeyBinding> binding_;
    QPointer<ColourWindow> colourWindow_;     // deletes itself when closed
    QPointer<SettingsWindow> settingsWindow_; // likewise
    std::function<void()> restart_;
    std::unique_ptr<StudyDatabase> loadDatabase_; // open until the first paint
    std::function<void()> slowStart_;
    std::function<void()> slowStartEnd_;
    std::function<void()> afterFirstPaint_;
    bool firstStart_ = false;
    std::unique_ptr<AnswerRecorder> answers_;
};

} // namespace kelp
