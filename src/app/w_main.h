// The invisible main window. Its start-up guards against a second copy and
// then opens the word window.
#pragma once

#include "platform/instance_guard.h"

#include <QWidget>

#include <memory>

namespace kelp {

struct AppGlobals;
class Speech;
class w_rjfm;
class w_transp;

class w_main : public QWidget {
    Q_OBJECT
public:
    w_main(AppGlobals &g, Speech &tts, w_rjfm &splash);
    ~w_main() override;

    enum class OpenResult { Running, AlreadyRunning, Ended };
    OpenResult open();

    w_transp *wordWindow() const { return transp_.get(); }

private:
    AppGlobals &g_;
    Speech &tts_;
    w_rjfm &splash_;
    platform::InstanceGuard guard_;
    std::unique_ptr<w_transp> transp_;
};

} // namespace kelp
