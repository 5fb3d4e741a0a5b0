#include "app/transparent_win.h"

#include "app/w_main.h"
#include "app/w_rjfm.h"
#include "platform/unix_signals.h"
#include "wordwindow/w_transp.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace kelp {

transparent_win::transparent_win() = default;
transparent_win::~transparent_win() = default;

int transparent_win::run()
{
    // Closing the (tool) word window must not end the program by itself.
    QApplication::setQuitOnLastWindowClosed(false);
    signals_ = std::make_unique<platform::TerminationSignals>();
    QObject::connect(signals_.get(), &platform::TerminationSignals::terminationRequested,
                     [this](int) { shutdown(); });
    // Desktop session ending: keep the resume row like a normal close.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, [this](QSessionManager &) {
        if (main_ && main_->wordWindow())
            main_->wordWindow()->persist();
    });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] {
        if (main_ && main_->wordWindow())
            main_->wordWindow()->close();
    });

    // The screen size, for the layouts.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        g_.newheight1 = screen->geometry().height();
        g_.newwidth1 = screen->geometry().width();
    }
    // The splash stays up until the word window is ready.
    splash_ = std::make_unique<w_rjfm>();
    splash_->open();
    // The main window guards against a second copy and opens the word window.
    main_ = std::make_unique<w_main>(g_, tts_, *splash_);
    const w_main::OpenResult opened = main_->open();
    if (w_transp *w = main_->wordWindow())
        QObject::connect(w, &w_transp::exitRequested, [this] { shutdown(); });
    switch (opened) {
    case w_main::OpenResult::AlreadyRunning:
        return 0;
    case w_main::OpenResult::Ended:
        return 1;
    case w_main::OpenResult::Running:
        break;
    }
    if (quitting_)
        return 0;
    return QApplication::exec();
}

void transparent_win::shutdown()
{
    if (quitting_)
        return;
    quitting_ = true;
    if (main_) {
        if (w_transp *w = main_->wordWindow())
            w->close();
        main_->close();
    }
    // Dismiss any message box still waiting, so its loop returns.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

} // namespace kelp
