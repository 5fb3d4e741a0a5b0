#include "app/study_run.h"

#include "app/answer_recorder.h"
#include "config/review_schedule.h"
#include "platform/desktop.h"
#include "platform/fonts.h"
#include "platform/odbc.h"
#include "platform/window_style.h"
#include "session/study_session.h"
#include "settings/colour_window.h"
#include "settings/settings_file_dialog.h"
#include "settings/settings_window.h"
#include "speech/pronouncer.h"
#include "studydb/data_source.h"
#include "studydb/study_load.h"
#include "studydb/study_plan.h"
#include "util/log.h"
#include "wordwindow/commands.h"
#include "wordwindow/context_menu.h"
#include "wordwindow/hot_key_binding.h"
#include "wordwindow/window_placement.h"
#include "wordwindow/word_window.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace kelp {

StudyRun::StudyRun(platform::Desktop &desktop, StartLoader &loader, std::function<bool()> terminating,
                   std::function<void(std::exception_ptr)> onError)
    : desktop_(desktop), loader_(loader), terminating_(std::move(terminating)), onError_(std::move(onError))
{
}

void StudyRun::openColourWindow()
{
    // One at a time: a second choice brings the open one forward.
    if (colourWindow_) {
        colourWindow_->raise();
        colourWindow_->activateWindow();
        return;
    }
    colourWindow_ = new ColourWindow(settings_, file_, [this] {
        if (window_)
            window_->applyColours(settings_.textColour, settings_.labelColour, settings_.windowColour);
    });
    colourWindow_->show();
}

void StudyRun::openSettingsWindow()
{
    if (settingsWindow_) {
        settingsWindow_->raise();
        settingsWindow_->activateWindow();
        return;
    }
    SettingsWindow::Hooks hooks;
    hooks.saved = [this] {
        // The pause pair: the pause state stays, a running timer takes the new interval.
        session_->setInterval(settings_.interval);
        session_->togglePause();
        session_->togglePause();
    };
    hooks.restart = [this] {
        if (restart_)
            QTimer::singleShot(0, window_.get(), restart_); // once the button's handler is done
    };
    settingsWindow_ = new SettingsWindow(settings_, file_, pronouncer_->engine(), folder_.root, std::move(hooks));
    settingsWindow_->show();
    if (!settingsWindow_->open())
        return; // no settings file: the window stays as filled so far
}

void StudyRun::endSlowStart()
{
    // A splash kept above every window would hide the message under it.
    if (slowStartEnd_)
        slowStartEnd_();
}

void StudyRun::correctWord(int group, const QString &oldWord, const QString &oldStored, const QString &word,
                           const QString &stored)
{
    if (session_)
        session_->correctWord(group, oldWord, oldStored, word, stored);
}

bool StudyRun::dayTurned() const
{
    // Only forward: a clock set back a day is still the plan's day.
    return session_ && settings_.sourceMode == SourceMode::Review && QDate::currentDate() > today_ &&
           settings_.newGroupsPerDay >= 1;
}

void StudyRun::switchSpeechOff(bool persist)
{
    settings_.voice = kSpeechFailed;
    if (persist)
        file_.write(keys::voice, kSpeechFailed);
}

StudyRun::~StudyRun()
{
    // They work on this run's settings.
    delete colourWindow_;
    delete settingsWindow_;
}

bool StudyRun::findSettingsFile()
{
    file_.setPath(folder_.settingsFile());
    if (QFileInfo(file_.path()).isFile())
        return true;
    const std::optional<QString> chosen = askForSettingsFile(folder_.root);
    if (terminating_())
        return false;
    if (chosen) {
        file_.setPath(*chosen);
        return true;
    }
    sayNoSettingsFile();
    return false;
}

bool StudyRun::start()
{
    // Every file lives under the current directory; today is fixed for the run.
    folder_.root = QDir::currentPath();
    today_ = QDate::currentDate();

    if (!findSettingsFile())
        return false;
    settings_ = Settings::load(file_);
    if (settings_.firstRun) {
        registerOnFirstStart(DataSource{settings_.dataSourceName, QString(), folder_.database(), settings_.userName,
                                        settings_.password});
        settings_.firstRun = false;
        file_.write(keys::firstRun, QStringLiteral("false"));
    }

    // The speech engine is set up once the window is up (below): nothing the
    // learner sees depends on it, and the first word waits for it anyway.
    pronouncer_ = std::make_unique<Pronouncer>(settings_, folder_.root);

    // Filling the buffer may take a while (a big word file, a slow database
    // server): it runs beside the event loop, which puts up the splash if it
    // does. The connection is closed once the first word is on screen.
    StudyLoad load;
    // Meanwhile this thread does what the first word would otherwise wait for,
    // once per run: the font database, the phonetic font, and the question
    // (over D-Bus) whether assistive technology listens, which the first
    // text shown asks.
    bool phoneticFont = false;
    const StartLoader::Outcome outcome =
        loader_.take([this](const LoadAhead &ahead) { return ahead.madeFor(folder_, today_, file_.path()); },
                     [this] { return loadStudy(settings_, folder_, today_, reRegistered_); },
                     [&] {
                         phoneticFont = platform::addFontFile(folder_.phoneticFont());
                         QFont font(QStringLiteral("Arial")); // the word window's
                         font.setPointSize(12);
                         font.setWeight(QFont::Bold);
                         QFontMetrics(font).horizontalAdvance(QStringLiteral("sea"));
                         QAccessible::isActive();
                     },
                     slowStart_, load);
    if (outcome == StartLoader::Outcome::Abandoned)
        return false; // the program is ending
    if (outcome == StartLoader::Outcome::TimedOut) {
        // The load is stuck in the database's client library: the program ends
        // after the message. Nothing has been written that could be left half done.
        qCCritical(lcApp).noquote() << "the study database did not answer in" << StartLoader::limitMs() / 1000
                                    << "s; the program ends";
        endSlowStart();
        QMessageBox::critical(nullptr, QCoreApplication::translate("kelpword-gui", "数据库错!cur_product"),
                              QString::number(-1));
        return false;
    }
    reRegistered_ = load.reRegistered;
    // Closed once the first word is on screen.
    loadDatabase_ = std::move(load.database);
    for (const QString &warning : std::as_const(load.warnings))
        std::fprintf(stderr, "kelpword: %s\n", qPrintable(warning));
    StudyMaterial &material = load.material;
    if (load.problem) {
        const StudyError &problem = *load.problem;
        switch (problem.code) {
        case StudyError::Code::Failed:
        case StudyError::Code::Conflict:
            qCCritical(lcApp).noquote() << QCoreApplication::translate(
                                               "kelpword-gui", "database query failed (status %1): %2 - database %3")
                                               .arg(problem.status)
                                               .arg(problem.text, folder_.database());
            endSlowStart();
            QMessageBox::critical(nullptr, QCoreApplication::translate("kelpword-gui", "数据库错!cur_product"),
                                  QString::number(problem.status));
            return false;
        case StudyError::Code::NewerSchema:
            qCCritical(lcApp).noquote() << problem.text;
            endSlowStart();
            QMessageBox::critical(nullptr, QCoreApplication::translate("kelpword-gui", "错误提示"), problem.text);
            return false;
        case StudyError::Code::NoWordFile:
            endSlowStart();
            QMessageBox::warning(nullptr, QCoreApplication::translate("kelpword-gui", "错误提示"),
                                 QCoreApplication::translate("kelpword-gui", "找不到文件:") + problem.text +
                                     QCoreApplication::translate("kelpword-gui", "。请正确配制后重新启动本程序"));
            break;
        case StudyError::Code::UnreadableWordFile:
            qCWarning(lcApp).noquote() << problem.text;
            endSlowStart();
            QMessageBox::warning(nullptr, QCoreApplication::translate("kelpword-gui", "错误提示"), problem.text);
            break;
        }
    }
    fellBack_ = material.fellBack;

    session_ = std::make_unique<StudySession>(std::move(material.words), std::move(material.groups),
                                              isDatabaseMode(settings_.sourceMode));
    // What the load needed and let go (its thread's heap, the database
    // client's buffers) goes back now: the program keeps running all day.
    ::malloc_trim(0);
    session_->setInterval(settings_.interval);
    session_->setNotebookPath(folder_.notebook());

    window_ = std::make_unique<WordWindow>(*session_, desktop_);
    if (phoneticFont)
        window_->usePhoneticFont(QStringLiteral("HMPhone KELP"));
    platform::setHalfTransparent(*window_, settings_.halfTransparent == 1);
    placement_ = std::make_unique<WindowPlacement>(window_->units(), settings_.windowX, settings_.windowY);
    placement_->place(*window_, firstStart_);
    qCDebug(lcApp) << "word window placed at" << window_->pos();
    QObject::connect(window_.get(), &WordWindow::positionChosen, window_.get(),
                     [this](QPoint pos) { placement_->choose(pos); });
    // Shown again where the learner left it, wherever it was pushed meanwhile.
    QObject::connect(session_.get(), &StudySession::hiddenChanged, window_.get(), [this](bool hidden) {
        if (!hidden)
            window_->move(placement_->chosen());
    });
    if (QScreen *screen = QGuiApplication::primaryScreen())
        session_->setScreenWidthUnits(window_->units().pixelsToX(screen->geometry().width()));

    // The first item, word only; the timer runs when there is anything to show.
    // Its word is said once the window is up and the engine is ready.
    session_->start(resumeRowAtStart(settings_, today_, 0));
    window_->show();
    session_->setPronouncer([this](const QString &word) { return pronouncer_->pronounce(word); },
                            [this](const QString &word) { pronouncer_->prepare(word); });
    // Words are said on the engine's own thread; their end and their
    // failures come back here, through the event loop.
    pronouncer_->setNotifications([this] { session_->speechFinished(); }, onError_);
    session_->awaitFirstWord();

    // Colours, then the hot keys last.
    window_->applyColours(settings_.textColour, settings_.labelColour, settings_.windowColour);
    // The answers' keys, where the settings give them; a text the toolkit
    // cannot read leaves the default, said once.
    const auto answerKey = [this](const TextKey &key) {
        const QString text = file_.read(key);
        const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
        if (sequence.count() == 1)
            return sequence[0];
        qCWarning(lcApp).noquote() << "[grade]" << key.name << "=" << text << "is no key; using" << key.defaultValue;
        return QKeySequence::fromString(QString::fromLatin1(key.defaultValue), QKeySequence::PortableText)[0];
    };
    commands_ = std::make_unique<Commands>(*session_, answerKey(keys::knowKey), answerKey(keys::forgotKey));
    // In a database mode the answers are kept, each word's memory with them;
    // a word file's words are graded on screen only.
    if (isDatabaseMode(settings_.sourceMode))
        answers_ = std::make_unique<AnswerRecorder>(folder_, settings_, file_.read(keys::desiredRetention) / 100.0);
    QObject::connect(session_.get(), &StudySession::answered, window_.get(),
                     [this](const QString &word, const QDate &day, int shownAt, bool known) {
                         if (answers_)
                             answers_->record({word, day, shownAt, known ? memory::Grade::Good : memory::Grade::Again});
                     });
    // A word put in the notebook comes back with the hard words, where a
    // plan shows them; without one the notebook alone is written, as ever.
    if (settings_.sourceMode == SourceMode::Review && settings_.newGroupsPerDay >= 1)
        QObject::connect(session_.get(), &StudySession::noted, window_.get(),
                         [this](const QString &word, const QDate &day) {
                             if (answers_)
                                 answers_->record({word, day, 0, memory::Grade::Again, true});
                         });
    QObject::connect(window_.get(), &WordWindow::contextMenuRequested, window_.get(),
                     [this](QPoint at) { showContextMenu(*commands_, window_.get(), at); });
    QObject::connect(commands_->colours, &QAction::triggered, window_.get(), [this] { openColourWindow(); });
    QObject::connect(commands_->settings, &QAction::triggered, window_.get(), [this] { openSettingsWindow(); });
    hotKeys_ = desktop_.createHotKeys();
    binding_ = std::make_unique<HotKeyBinding>(*hotKeys_, *commands_);
    // The plain arrow keys can be left to the other programs ([hotkey] arrows=0).
    binding_->setArrowKeys(settings_.arrowHotKeys != 0);
    commands_->arrowKeys->setChecked(binding_->arrowKeys());
    QObject::connect(commands_->arrowKeys, &QAction::toggled, window_.get(), [this](bool on) {
        binding_->setArrowKeys(on);
        settings_.arrowHotKeys = on ? 1 : 0;
        file_.write(keys::arrowHotKeys, settings_.arrowHotKeys);
    });
    // Once the first word is on screen: the outside world's ways in (the
    // control channel and the tray, then the hot keys), then speech, whose
    // engine is the largest thing the program loads; the first word is said
    // as soon as it is ready.
    QObject::connect(window_.get(), &WordWindow::firstPainted, window_.get(), [this] {
        loadDatabase_.reset();
        if (afterFirstPaint_)
            afterFirstPaint_();
        binding_->grabAll();
        try {
            pronouncer_->initialise();
        } catch (...) {
            onError_(std::current_exception()); // speech stays off; the run goes on
        }
        session_->pronounceWordOnDisplay();
    });
    return true;
}

void StudyRun::saveResumeRow()
{
    if (!session_)
        return;
    kelp::saveResumeRow(file_, settings_, session_->resumeRow(), fellBack_, today_);
}

void StudyRun::persist()
{
    if (!window_)
        return;
    saveResumeRow();
    placement_->save(file_);
}

void StudyRun::finish()
{
    if (colourWindow_)
        colourWindow_->close(); // applies and saves its choices
    if (settingsWindow_)
        settingsWindow_->close(); // nothing saved that was not
    if (!window_)
        return;
    finishOnce();
    binding_->releaseAll();
}

void StudyRun::saveWithoutWindowSystem()
{
    // Plain data only: the window system may be gone.
    if (window_)
        finishOnce();
}

void StudyRun::finishOnce()
{
    if (finished_)
        return;
    finished_ = true;
    session_->stop();
    persist();
}

} // namespace kelp
