#include "app/application.h"

#include "app/error_handler.h"
#include "app/program_icon.h"
#include "app/splash_window.h"
#include "app/study_run.h"
#include "app/tray_import.h"
#include "control/listener.h"
#include "platform/desktop.h"
#include "platform/instance_guard.h"
#include "platform/odbc.h"
#include "platform/termination_signals.h"
#include "progress/progress_entry.h"
#include "util/log.h"
#include "util/test_hooks.h"
#include "wordbook/word_book.h"
#include "wordbook/word_book_window.h"
#include "wordwindow/commands.h"
#include "wordwindow/word_window.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace kelp {
namespace {

Application *g_running = nullptr; // for the save at process exit

// The word window's action for a command; none for show, which never hides.
QAction *actionFor(Commands &c, control::Command command)
{
    switch (command) {
    case control::Command::pause: return c.pause;
    case control::Command::hide: return c.hide;
    case control::Command::show: return nullptr;
    case control::Command::mute: return c.mute;
    case control::Command::note: return c.addToNotebook;
    case control::Command::know: return c.know;
    case control::Command::forgot: return c.forgot;
    case control::Command::next: return c.nextItem;
    case control::Command::previous: return c.previousItem;
    case control::Command::next_group: return c.nextGroup;
    case control::Command::previous_group: return c.previousGroup;
    case control::Command::settings: return c.settings;
    case control::Command::colours: return c.colours;
    case control::Command::quit: return c.quit;
    case control::Command::words: return nullptr; // a window of its own
    }
    return nullptr;
}

} // namespace

Application::Application(KelpApplication &app, std::unique_ptr<platform::InstanceGuard> guard,
                         platform::InstanceGuard::Outcome running, StartLoader &loader)
    : app_(app), guard_(std::move(guard)), running_(running), loader_(loader), icon_(std::make_unique<ProgramIcon>(app))
{
    // A correction made in the words window reaches the running word window.
    QObject::connect(&bookNotices(), &BookNotices::wordStored, &app_,
                     [this](int group, const QString &oldWord, const QString &oldStored, const QString &word,
                            const QString &stored) {
                         if (run_)
                             run_->correctWord(group, oldWord, oldStored, word, stored);
                     });
}

Application::~Application()
{
    if (g_running == this)
        g_running = nullptr;
    app_.onError = nullptr;
}

int Application::run()
{
    // Closing the (tool) word window must not end the program by itself.
    QApplication::setQuitOnLastWindowClosed(false);
    signals_ = std::make_unique<platform::TerminationSignals>();
    QObject::connect(signals_.get(), &platform::TerminationSignals::terminationRequested, [this](int) { shutdown(); });
    // Desktop session ending: keep the resume row as a normal close does.
    QObject::connect(&app_, &QGuiApplication::commitDataRequest, [this](QSessionManager &) {
        if (run_)
            run_->persist();
    });
    QObject::connect(&app_, &QCoreApplication::aboutToQuit, [this] {
        if (run_)
            run_->finish();
    });
    desktop_ = platform::Desktop::create();
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"))
        qCWarning(lcApp).noquote() << QCoreApplication::translate(
            "kelpword-gui", "this is a Wayland session: the hot keys reach the trainer only while one of its "
                            "windows has the focus; bind commands such as \"kelpword next\" as desktop "
                            "shortcuts instead (kelpword --help lists them)");
    errors_ = std::make_unique<ErrorHandler>(QDir::current().filePath(QStringLiteral("system_error.log")),
                                             ErrorHandler::Reactions{[this] { return run_ ? run_->voice() : 0; },
                                                                     [this](bool persist) {
                                                                         if (run_)
                                                                             run_->switchSpeechOff(persist);
                                                                     },
                                                                     [this] { restart(); }});
    app_.onError = [this](const std::exception_ptr &error) { handleError(error); };

    switch (running_) {
    case platform::InstanceGuard::Outcome::Acquired: break;
    case platform::InstanceGuard::Outcome::Held:
        QMessageBox::information(
            nullptr, QCoreApplication::translate("kelpword-gui", "提示"),
            QCoreApplication::translate("kelpword-gui",
                                        "本程序已经运行!按Alt+z键能显示隐藏的窗口。按确定退出本次运行的程序。"));
        return 0;
    case platform::InstanceGuard::Outcome::Failed:
        QMessageBox::critical(
            nullptr, QCoreApplication::translate("kelpword-gui", "错误提示"),
            QCoreApplication::translate("kelpword-gui", "无法确认本程序是否已经运行(单实例锁不安全):") +
                guard_->errorString());
        return 1;
    }

    const bool started = startRun();
    if (splash_)
        splash_->close();
    if (quitting_) {
        // Asked to end while starting: keep what exists and go.
        if (run_)
            run_->finish();
        return 0;
    }
    if (!started && !restartPending_) {
        // A library the system lacks shows only as a status above: name it.
        if (QString missing = platform::missingOdbcLibrary(); !missing.isEmpty()) {
            qCCritical(lcApp).noquote() << missing;
            missing[0] = missing[0].toUpper();
            QMessageBox::critical(nullptr, QCoreApplication::translate("kelpword-gui", "错误提示"), missing);
        }
        return 1;
    }
    if (restartPending_)
        QTimer::singleShot(0, &app_, [this] { restart(); });
    watchTheDay();

    // Qt ends the process at once when the X server goes away, without
    // closing any window: the resume row is saved from plain data then.
    g_running = this;
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit(&Application::saveAtExit);
    }
    const int status = QApplication::exec();
    return givenUp_ ? 1 : status;
}

bool Application::startRun()
{
    run_ = std::make_unique<StudyRun>(
        *desktop_, loader_, [this] { return quitting_; },
        [this](const std::exception_ptr &error) { handleError(error); });
    run_->setRestart([this] { restart(); });
    run_->setFirstStart(introduce_);
    // What the first word does not need follows its first paint.
    run_->setAfterFirstPaint([this] {
        listenForCommands();
        icon_->set();
        showTrayIcon();
    });
    // A start-up that takes its time (a big word file, a slow database) shows
    // the splash; a quick one never flashes a window nobody could read.
    run_->setSlowStartNotice(
        [this] {
            if (!splash_)
                splash_ = std::make_unique<SplashWindow>();
            splash_->open();
            // A start that takes long can be told to end ("kelpword quit") meanwhile.
            listenForCommands();
        },
        [this] {
            if (splash_)
                splash_->close();
        });
    starting_ = true;
    restartPending_ = false;
    bool started = false;
    try {
        // Tests raise an error no code handles, at start-up or once running.
        const QByteArray testError = kelp_test_error_at ? QByteArray(kelp_test_error_at()) : QByteArray();
        if (testError == "start")
            throw std::runtime_error("test error at start-up");
        started = run_->start();
        if (started && testError == "running" && restarts_ == 0)
            QTimer::singleShot(0, &app_, [] { throw std::runtime_error("test error while running"); });
    } catch (...) {
        handleError(std::current_exception());
    }
    starting_ = false;
    if (!started || restartPending_ || givenUp_)
        return false;
    QObject::connect(
        run_->commands()->quit, &QAction::triggered, &app_, [this] { shutdown(); }, Qt::QueuedConnection);
    QObject::connect(run_->window(), &WordWindow::closeRequested, &app_, [this] { shutdown(); });
    return true;
}

void Application::listenForCommands()
{
    if (control_)
        return;
    // Commands from other processes of this user (desktop shortcuts, scripts).
    control_ = std::make_unique<control::Listener>();
    if (const std::string why = control_->listen(); !why.empty()) {
        qCWarning(lcPlatform).noquote() << "no control socket:" << QString::fromStdString(why);
        return;
    }
    controlNotifier_ = std::make_unique<QSocketNotifier>(control_->fd(), QSocketNotifier::Read);
    QObject::connect(controlNotifier_.get(), &QSocketNotifier::activated, &app_, [this] {
        const control::Listener::Served served =
            control_->serve([this](control::Command command) { return takes(command); });
        for (int i = 0; i < served.unanswered; ++i)
            qCDebug(lcPlatform) << "the sender left before its answer";
        // Carried out once answered: a command may open a dialog that waits
        // for the learner, and the sender must not wait for that.
        for (const control::Command command : served.taken)
            QTimer::singleShot(0, controlNotifier_.get(), [this, command] { runCommand(command); });
    });
}

void Application::showTrayIcon()
{
    // Where the desktop has a tray: the program's icon with the same menu,
    // and a click hides or shows the word window.
    if (!tray_) {
        tray_ = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
        tray_->setToolTip(QCoreApplication::translate("kelpword-gui", "海带单词 Kelp Words"));
        QObject::connect(tray_.get(), &QSystemTrayIcon::activated, &app_,
                         [this](QSystemTrayIcon::ActivationReason why) {
                             // Every click toggles, the second of a quick pair too.
                             const bool click = why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick;
                             if (click && run_ && run_->commands())
                                 run_->commands()->hide->trigger();
                         });
    }
    // Each run has its own commands: the menu is made anew.
    trayMenu_ = std::make_unique<QMenu>();
    // The menu's commands, with the arrow-key switch before 退出, which stays last.
    QList<QAction *> actions = run_->commands()->menuActions();
    QAction *const quit = actions.takeLast();
    // The answers follow the notebook's entry: the tray has them, the word window's menu does not.
    Commands *const c = run_->commands();
    actions.insert(actions.indexOf(c->addToNotebook) + 1, c->forgot);
    actions.insert(actions.indexOf(c->addToNotebook) + 1, c->know);
    trayMenu_->addActions(actions);
    addWordBookEntry(*trayMenu_, QDir::currentPath()); // after the commands
    addImportEntry(*trayMenu_, QDir::currentPath());   // beside 词库
    trayMenu_->addSeparator();
    trayMenu_->addAction(run_->commands()->arrowKeys);
    trayMenu_->addSeparator();
    trayMenu_->addAction(quit);
    addProgressEntry(*trayMenu_, QDir::currentPath()); // before 退出
    Commands *commands = run_->commands();
    QObject::connect(trayMenu_.get(), &QMenu::aboutToShow, commands, [commands] {
        commands->syncChecks();
        qCDebug(lcApp) << "tray menu";
    });
    tray_->setContextMenu(trayMenu_.get());
    tray_->show();
    if (introduce_) {
        introduce_ = false;
        // The message points at the icon, so it waits until the tray host has
        // placed it (before that it would show at the screen's top left); where
        // none ever does, it shows after five seconds all the same.
        auto *placed = new QTimer(tray_.get());
        placed->setInterval(50);
        QObject::connect(placed, &QTimer::timeout, tray_.get(), [this, placed, waited = 0]() mutable {
            if (tray_->geometry().isEmpty() && ++waited < 100)
                return;
            placed->deleteLater();
            placed->stop();
            tray_->showMessage(
                QCoreApplication::translate("kelpword-gui", "海带单词"),
                QCoreApplication::translate("kelpword-gui",
                                            "右下角的小窗口是海带单词：它逐个显示英语单词、音标和中文释义，并读出单词。"
                                            "单击托盘图标可隐藏或显示它，右键单击它可打开菜单。"),
                QSystemTrayIcon::Information, 15000);
            qCDebug(lcApp) << "first start: tray message shown at the icon" << tray_->geometry();
        });
        placed->start();
    }
}

bool Application::takes(control::Command command) const
{
    // Quit is taken even between two runs; the others need a word window.
    return command == control::Command::quit || (run_ && run_->commands());
}

void Application::runCommand(control::Command command)
{
    if (command == control::Command::words) {
        openWordBook(QDir::currentPath(), QString(), true);
        return;
    }
    if (!run_ || !run_->commands()) {
        if (command == control::Command::quit)
            shutdown();
        return;
    }
    Commands &c = *run_->commands();
    if (QAction *action = actionFor(c, command))
        action->trigger();
    else if (command == control::Command::show && run_->window() && run_->window()->isHidden())
        c.hide->trigger();
}

void Application::handleError(const std::exception_ptr &error)
{
    errors_->handle(reportFor(error, takeErrorSite()));
}

void Application::watchTheDay()
{
    // Midnight, a resume from suspend or a clock put forward: with a study
    // plan the new day's groups are loaded as a start would load them. A
    // poll, since none of these has a signal the program could wait for.
    dayTimer_ = std::make_unique<QTimer>();
    dayTimer_->setInterval(kDayCheckMs);
    QObject::connect(dayTimer_.get(), &QTimer::timeout, &app_, [this] {
        if (!run_ || starting_ || quitting_ || !run_->dayTurned())
            return;
        qCInfo(lcApp) << "a new day: its study material is loaded";
        const int restarts = restarts_; // no error's restart: a later one still gets its second chance
        restart();
        restarts_ = restarts;
    });
    dayTimer_->start();
}

void Application::restart()
{
    if (quitting_)
        return;
    if (starting_) {
        // Raised during start-up. The first time, restart once it unwound;
        // after a restart it would come back at every start: give up then.
        if (restarts_ > 0)
            givenUp_ = true;
        else
            restartPending_ = true;
        return;
    }
    ++restarts_;
    qCInfo(lcApp) << "restarting";
    // Every window closes (the word window's close saves its place) and the
    // start-up runs again in this process; the single-copy lock stays held.
    if (run_) {
        run_->finish();
        if (WordWindow *w = run_->window()) {
            QObject::disconnect(w, nullptr, &app_, nullptr); // its close is no request to end now
            w->close();
        }
    }
    run_.reset();
    if (!startRun()) {
        if (givenUp_)
            qCCritical(lcApp) << "the error came back at start-up after a restart; the program ends";
        quitting_ = true;
        QCoreApplication::exit(1);
    }
}

void Application::shutdown()
{
    if (quitting_)
        return;
    quitting_ = true;
    loader_.abandon(); // a start waiting for its study material goes no further
    if (run_) {
        run_->finish();
        if (WordWindow *w = run_->window())
            w->close();
    }
    // Dismiss any message box still waiting, so its loop returns.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void Application::saveAtExit()
{
    if (g_running && g_running->run_)
        g_running->run_->saveWithoutWindowSystem();
}

} // namespace kelp
