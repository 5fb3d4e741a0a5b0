// The program: the start-up order (splash, single-copy guard, the word
// window's run) and an orderly end however it comes (the menu's "退出", a
// termination signal, the desktop session ending, the X server going away).
#pragma once

#include <memory>

namespace kelp {

class SplashWindow;
class StudyRun;
namespace platform {
class Desktop;
class InstanceGuard;
class TerminationSignals;
} // namespace platform

class Application {
public:
    Application();
    ~Application();

    // Runs the program; returns the process exit code.
    int run();

    // Ends the program: the word window's close first, then the event loop.
    void shutdown();

private:
    static void saveAtExit();

    std::unique_ptr<platform::Desktop> desktop_;
    std::unique_ptr<platform::TerminationSignals> signals_;
    std::unique_ptr<platform::InstanceGuard> guard_;
    std::unique_ptr<SplashWindow> splash_;
    std::unique_ptr<StudyRun> run_;
    bool quitting_ = false;
};

} // namespace kelp
