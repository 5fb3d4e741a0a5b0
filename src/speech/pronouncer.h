// Pronunciation of the words on display: a recording when one exists,
// otherwise the speech engine, otherwise the desktop's event sound.
#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace kelp {

class SpeechEngine;
struct Settings;

// Where a recording of `word` is looked for: `root` + "/" + word + ext, then
// `root` + "/" + first character + "/" + word + ext (the second whether it
// exists or not). An empty `root` stands for `programFolder` + `subfolder`.
// Nothing for a word that cannot be a file name ("/", NUL, "." or ".."):
// such a word never finds a recording and never reaches outside the folder.
std::optional<QString> recordingPath(const QString &ext, const QString &word, const QString &subfolder,
                                     const QString &root, const QString &programFolder);

class Pronouncer {
public:
    // `settings` holds the voice (or a speech failure code), the audio output
    // and the recordings folder; all may change while the program runs.
    Pronouncer(Settings &settings, const QString &programFolder);
    ~Pronouncer();

    // Creates and primes the speech engine, recording a failure in the voice
    // setting (a SpeechFailure; kSpeechFailed when the configured voice does
    // not exist: the engine's default then stays).
    void initialise();

    // Says `word`: plays its recording, or has it spoken, and returns at
    // once. True when it is being spoken: `spoken` follows when it is over.
    // Throws SpeechError when the chosen voice or output cannot be had; a
    // failure while speaking reaches `failed` later.
    bool pronounce(const QString &word);
    // Readies `word`, due next, so that pronounce() of it is heard at once
    // (a word with a recording needs nothing).
    void prepare(const QString &word);
    // What the engine reports back, on this thread (see SpeechEngine).
    void setNotifications(std::function<void()> spoken, std::function<void(std::exception_ptr)> failed);
    bool isSpeaking() const;

    SpeechEngine *engine() const { return engine_.get(); }

private:
    bool hasRecording(const QString &word, QString *path = nullptr) const;

    Settings &settings_;
    QString programFolder_;
    std::function<void()> spoken_;
    std::function<void(std::exception_ptr)> failed_;
    std::unique_ptr<SpeechEngine> engine_;
};

} // namespace kelp
