// The settings window's actions: the choices that act at once, the two
// tests, and the save.
#include "settings/settings_window.h"

#include "config/error_log.h"
#include "config/settings.h"
#include "speech/pronouncer.h"
#include "speech/speech_engine.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>

namespace kelp {

void SettingsWindow::showRecordOfMode()
{
    switch (settings_.sourceMode) {
    case SourceMode::Review: record_->setValue(settings_.resumeRowReview); break;
    case SourceMode::GroupRange: record_->setValue(settings_.resumeRowRange); break;
    case SourceMode::TextFile: record_->setValue(settings_.resumeRowText); break;
    }
}

namespace {

// Errors that leave a handler of this window name it, the control and the event.
ErrorSiteScope site(const char *control, const char *event)
{
    return ErrorSiteScope(QStringLiteral("SettingsWindow"), QLatin1String(control), QLatin1String(event));
}

} // namespace

void SettingsWindow::chooseVoice(int k)
{
    const ErrorSiteScope here = site("voiceList", "activated");
    if (k > 0 && engine_)
        engine_->setVoice(k - 1);
    settings_.voice = kSpeechFailed;
    if (engine_)
        engine_->speak(QStringLiteral(" "), SpeechEngine::Purge); // a failure here leaves kSpeechFailed
    settings_.voice = k;
}

void SettingsWindow::chooseOutput(int k)
{
    const ErrorSiteScope here = site("outputList", "activated");
    if (k >= 1 && engine_)
        engine_->setAudioOutput(k - 1);
    settings_.audioOutput = k;
}

void SettingsWindow::testSpeech()
{
    const ErrorSiteScope here = site("testSpeechButton", "clicked");
    if (!engine_)
        return;
    const QString text = speechText_->text().trimmed();
    engine_->setVoice(settings_.voice - 1); // an unusable voice is a failed property access
    engine_->speak(text, SpeechEngine::Async);
    engine_->waitUntilDone(-1);
    hint_->hide();
}

void SettingsWindow::pickWordFile()
{
    const QString data = programFolder_ + QStringLiteral("/data/");
    const QString chosen = chooseWordFile(data);
    if (!chosen.isEmpty()) {
        // A file right in the program's data folder is kept by its bare name.
        const QString name = QFileInfo(chosen).fileName();
        const QString value = QDir::cleanPath(chosen) == QDir::cleanPath(data + name) ? name : chosen;
        wordFile_->setText(value);
        settings_.wordFile = value;
    }
    QDir::setCurrent(programFolder_);
}

void SettingsWindow::pickRecordingsFolder()
{
    const QString chosen = chooseRecordingsFolder();
    if (chosen.isEmpty()) {
        QMessageBox::information(this, tr("提示"), tr("文件夹选择被取消"));
        return;
    }
    settings_.recordingsFolder = chosen;
    recordings_->setText(chosen);
}

void SettingsWindow::testRecording()
{
    const QString word = testWord_->text();
    const QString path =
        recordingPath(QStringLiteral(".wav"), word, QStringLiteral("/wav/"), settings_.recordingsFolder, programFolder_)
            .value_or(programFolder_ + QStringLiteral("/wav/") + word + QStringLiteral(".wav"));
    if (!QFileInfo(path).isFile()) {
        QMessageBox::information(this, tr("提示"), tr("没找到文件:") + path);
        return;
    }
    if (!engine_ || engine_->audioOutputCount() < 1) {
        QMessageBox::critical(this, tr("设备错误"), tr("无法正常播放WAV文件！"));
        return;
    }
    const ErrorSiteScope here = site("testRecordingButton", "clicked");
    engine_->playFile(path, false); // one that cannot be read: nothing, said on stderr
}

std::optional<std::pair<QString, QString>> SettingsWindow::answerKeys(QString *why) const
{
    const auto text = [](const QKeySequenceEdit *edit, const TextKey &key) {
        const QKeySequence keys = edit->keySequence();
        return keys.isEmpty() ? QString::fromLatin1(key.defaultValue) : keys.toString(QKeySequence::PortableText);
    };
    const QString know = text(knowKey_, keys::knowKey), forgot = text(forgotKey_, keys::forgotKey);
    if (know == forgot) {
        *why = tr("认识键和不认识键不能相同");
        return std::nullopt;
    }
    for (const char *fixed : keys::commandHotKeys) {
        for (const QString &k : {know, forgot}) {
            if (QKeySequence::fromString(k, QKeySequence::PortableText) ==
                QKeySequence::fromString(QLatin1String(fixed), QKeySequence::PortableText)) {
                *why =
                    tr("%1 已是固定的热键")
                        .arg(
                            QKeySequence::fromString(k, QKeySequence::PortableText).toString(QKeySequence::NativeText));
                return std::nullopt;
            }
        }
    }
    return std::pair(know, forgot);
}

bool SettingsWindow::save()
{
    // The answers' keys first: a clash saves nothing.
    QString clash;
    const auto answers = answerKeys(&clash);
    if (!answers) {
        hint_->setText(tr("提示：") + clash);
        return false;
    }
    // 1-3: the review cycle, always seven values.
    QString cycleText;
    for (size_t i = 0; i < 7; ++i) {
        settings_.reviewDays[i + 1] = cycle_[i]->value();
        cycleText += QString::number(cycle_[i]->value()) + QLatin1Char('t');
    }
    const QString dataSource = dsn_->text();
    settings_.recordingsFolder = recordings_->text();
    settings_.reviewCycle = cycleText;
    const bool saved = file_.write(keys::reviewCycle, cycleText);
    // 4.
    file_.write(keys::recordingsFolder, settings_.recordingsFolder);
    file_.write(keys::voice, settings_.voice);
    file_.write(keys::audioOutput, settings_.audioOutput);
    // 5: a new data-source name counts from the next start on; a name typed
    // where there was none is a new one too.
    if (!dataSource.isEmpty() && dataSource != oldDataSource_) {
        file_.write(keys::dataSourceName, dataSource);
        file_.write(keys::firstRun, QStringLiteral("true"));
        QMessageBox::information(this, tr("提示"), tr("重新进入本软件后新的用户DSN才生效"));
    }
    // 6: the variables from the controls.
    switch (settings_.sourceMode) {
    case SourceMode::Review: settings_.resumeRowReview = record_->value(); break;
    case SourceMode::GroupRange: settings_.resumeRowRange = record_->value(); break;
    case SourceMode::TextFile: settings_.resumeRowText = record_->value(); break;
    }
    settings_.groupRange =
        QString::number(firstGroup_->value()) + QLatin1Char('-') + QString::number(lastGroup_->value());
    settings_.wordFile = wordFile_->text().trimmed();
    settings_.interval = interval_->value();
    settings_.halfTransparent = transparent_->isChecked() ? 1 : 0;
    // 7: the writes, in this order.
    file_.write(keys::recordingsFolder, settings_.recordingsFolder);
    file_.write(keys::voice, settings_.voice);
    file_.write(keys::audioOutput, settings_.audioOutput);
    file_.write(keys::sourceMode, static_cast<int>(settings_.sourceMode));
    file_.write(keys::interval, settings_.interval);
    file_.write(keys::groupRange, settings_.groupRange);
    file_.write(keys::wordFile, settings_.wordFile);
    file_.write(keys::halfTransparent, settings_.halfTransparent);
    switch (settings_.sourceMode) {
    case SourceMode::Review: file_.write(keys::resumeRowReview, settings_.resumeRowReview); break;
    case SourceMode::GroupRange: file_.write(keys::resumeRowRange, settings_.resumeRowRange); break;
    case SourceMode::TextFile: file_.write(keys::resumeRowText, settings_.resumeRowText); break;
    }
    // The answers' keys, taken at the next start.
    if (answers->first != file_.read(keys::knowKey) || answers->second != file_.read(keys::forgotKey)) {
        file_.write(keys::knowKey, answers->first);
        file_.write(keys::forgotKey, answers->second);
        QMessageBox::information(this, tr("提示"), tr("重新进入本软件后新的认识键和不认识键才生效"));
    }
    // 8.
    if (!saved) {
        QMessageBox::information(this, tr("提示"), tr("保存失败"));
        return false;
    }
    if (hooks_.saved)
        hooks_.saved();
    close();
    return true;
}

void SettingsWindow::saveAndRestart()
{
    save();
    if (hooks_.restart)
        hooks_.restart();
}

} // namespace kelp
