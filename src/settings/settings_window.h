// The settings window "设置": review cycle, data source and its position,
// timer interval, data-source name, recordings folder, voice and audio
// output, transparency. Choices of voice, output, data-source mode, word file
// and recordings folder take effect in memory at once; "保存" writes
// everything and nudges the word window, "保存且重启" then restarts.
#pragma once

#include "platform/layout_units.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <utility>

class QComboBox;
class QKeySequenceEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kelp {

class SettingsFile;
class SpeechEngine;
struct Settings;

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> saved;   // the word window takes the new interval (the pause pair)
        std::function<void()> restart; // all windows close and the start-up runs again
    };
    // `engine` may be null (no speech engine).
    SettingsWindow(Settings &settings, SettingsFile &file, SpeechEngine *engine, const QString &programFolder,
                   Hooks hooks, QWidget *parent = nullptr);

    // The open sequence; false when no settings file could be had (the
    // window then stays as filled so far).
    bool open();

    // What the buttons do.
    bool save();
    void saveAndRestart();

    // The dialogs, replaceable in tests: a file, a folder (empty: cancelled).
    std::function<QString(const QString &startFolder)> chooseWordFile;
    std::function<QString()> chooseRecordingsFolder;

    // For tests and the learner's eye alike.
    QSpinBox *cycleField(int i) const { return cycle_[static_cast<size_t>(i - 1)]; }
    QLineEdit *dataSourceField() const { return dsn_; }
    QComboBox *sourceModeList() const { return sourceMode_; }
    QSpinBox *recordField() const { return record_; }
    QSpinBox *firstGroupField() const { return firstGroup_; }
    QSpinBox *lastGroupField() const { return lastGroup_; }
    QSpinBox *intervalField() const { return interval_; }
    QLineEdit *wordFileField() const { return wordFile_; }
    QComboBox *voiceList() const { return voices_; }
    QComboBox *outputList() const { return outputs_; }
    QLabel *hintLine() const { return hint_; }
    QRadioButton *transparentButton() const { return transparent_; }
    QKeySequenceEdit *knowKeyField() const { return knowKey_; }
    QKeySequenceEdit *forgotKeyField() const { return forgotKey_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void fitScreen();
    void fillForm();
    void showRecordOfMode();
    void chooseVoice(int k);
    void chooseOutput(int k);
    void testSpeech();
    void pickWordFile();
    void pickRecordingsFolder();
    void testRecording();

    Settings &settings_;
    SettingsFile &file_;
    SpeechEngine *engine_;
    QString programFolder_;
    Hooks hooks_;
    platform::LayoutUnits units_;
    QString oldDataSource_;
    QString lastDataSource_; // the field's last accepted value

    std::array<QSpinBox *, 7> cycle_{};
    QLineEdit *dsn_ = nullptr;
    QLineEdit *recordings_ = nullptr;
    QLineEdit *testWord_ = nullptr;
    QComboBox *voices_ = nullptr;
    QComboBox *outputs_ = nullptr;
    QLineEdit *speechText_ = nullptr;
    QRadioButton *transparent_ = nullptr;
    QRadioButton *opaque_ = nullptr;
    QComboBox *sourceMode_ = nullptr;
    QSpinBox *record_ = nullptr;
    QSpinBox *firstGroup_ = nullptr;
    QSpinBox *lastGroup_ = nullptr;
    QLineEdit *wordFile_ = nullptr;
    QSpinBox *interval_ = nullptr;
    QLabel *hint_ = nullptr;
    QKeySequenceEdit *knowKey_ = nullptr; // the answers' hot keys, [grade]
    QKeySequenceEdit *forgotKey_ = nullptr;
    // The answers' keys as saved, or a message saying why they cannot be.
    std::optional<std::pair<QString, QString>> answerKeys(QString *why) const;
    QWidget *content_ = nullptr; // the form inside the scroll area
};

} // namespace kelp
