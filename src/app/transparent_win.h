// The application object: start-up order and orderly shut-down.
#pragma once

#include "config/app_globals.h"
#include "speech/speech.h"

#include <memory>

namespace kelp {

class w_main;
class w_rjfm;

namespace platform {
class TerminationSignals;
}

class transparent_win {
public:
    transparent_win();
    ~transparent_win();

    // Runs the program; returns the process exit code.
    int run();

    // Ends the program as the learner's "退出" does: the word window's close
    // handler first, then the main window.
    void shutdown();

private:
    AppGlobals g_;
    Speech tts_{g_};
    std::unique_ptr<w_rjfm> splash_;
    std::unique_ptr<w_main> main_;
    std::unique_ptr<platform::TerminationSignals> signals_;
    bool quitting_ = false;
};

} // namespace kelp
