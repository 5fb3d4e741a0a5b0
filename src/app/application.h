// The program: the start-up order (splash, single-copy guard, the word
// window's run), the handling of errors no code handled (logged, reported,
// then speech off or an in-process restart), and an orderly end however it
// comes (the menu's "退出", a termination signal, the desktop session
// ending, the X server going away).
#pragma once

#include "control/commands.h"
#include "platform/instance_guard.h"

#include <QString>

#include <exception>
#include <memory>

class QMenu;
class QSocketNotifier;
class QSystemTrayIcon;
class QTimer;

namespace kelp {

class ErrorHandler;
class KelpApplication;
class ProgramIcon;
class SplashWindow;
class StartLoader;
class StudyRun;
namespace control {
class Listener;
} // namespace control
namespace platform {
class Desktop;
class InstanceGuard;
class TerminationSignals;
} // namespace platform

class Application {
public:
    // `guard` holds the single-copy lock as `running` says it was taken.
    // `loader` loads the study material of each start (and outlives this).
    Application(KelpApplication &app, std::unique_ptr<platform::InstanceGuard> guard,
                platform::InstanceGuard::Outcome running, StartLoader &loader);
    ~Application();

    // Runs the program; returns the process exit code.
    int run();

    // Ends the program: the word window's close first, then the event loop.
    void shutdown();

    // The first start in the user's folder: a tray message says what the
    // word window is and how to hide it.
    void introduceOnFirstStart() { introduce_ = true; }

private:
    bool startRun();
    bool takes(control::Command command) const;
    void runCommand(control::Command command);
    void showTrayIcon();
    void listenForCommands();
    void restart();
    void watchTheDay();
    static constexpr int kDayCheckMs = 20000;
    void handleError(const std::exception_ptr &error);
    static void saveAtExit();

    KelpApplication &app_;
    std::unique_ptr<platform::Desktop> desktop_;
    std::unique_ptr<platform::TerminationSignals> signals_;
    std::unique_ptr<platform::InstanceGuard> guard_;
    platform::InstanceGuard::Outcome running_;
    std::unique_ptr<SplashWindow> splash_;
    std::unique_ptr<ErrorHandler> errors_;
    std::unique_ptr<StudyRun> run_;
    StartLoader &loader_;
    std::unique_ptr<control::Listener> control_;
    std::unique_ptr<QSocketNotifier> controlNotifier_; // declared after control_: gone before its socket
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<ProgramIcon> icon_; // sets the program's icon when a window first needs it
    std::unique_ptr<QTimer> dayTimer_;
    std::unique_ptr<QMenu> trayMenu_;
    bool introduce_ = false;
    bool quitting_ = false;
    bool starting_ = false;
    bool restartPending_ = false; // an error during start-up asked for a restart
    bool givenUp_ = false;        // … and came back after it
    int restarts_ = 0;
};

} // namespace kelp
