#include "app/application.h"

#include "app/splash_window.h"
#include "app/study_run.h"
#include "platform/desktop.h"
#include "platform/instance_guard.h"
#include "platform/termination_signals.h"
#include "wordwindow/commands.h"
#include "wordwindow/word_window.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

#include <cstdlib>

namespace kelp {
namespace {

Application *g_running = nullptr; // for the save at process exit

} // namespace

Application::Application() = default;

Application::~Application()
{
    if (g_running == this)
        g_running = nullptr;
}

int Application::run()
{
    // Closing the (tool) word window must not end the program by itself.
    QApplication::setQuitOnLastWindowClosed(false);
    signals_ = std::make_unique<platform::TerminationSignals>();
    QObject::connect(signals_.get(), &platform::TerminationSignals::terminationRequested, [this](int) { shutdown(); });
    // Desktop session ending: keep the resume row as a normal close does.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, [this](QSessionManager &) {
        if (run_)
            run_->persist();
    });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] {
        if (run_)
            run_->finish();
    });
    desktop_ = platform::Desktop::create();

    // The splash stays up until the word window is ready.
    splash_ = std::make_unique<SplashWindow>();
    splash_->open();

    guard_ = std::make_unique<platform::InstanceGuard>();
    if (!guard_->acquire()) {
        QMessageBox::information(
            nullptr, QStringLiteral("提示"),
            QStringLiteral("本程序已经运行!按Alt+z键能显示隐藏的窗口。按确定退出本次运行的程序。"));
        return 0;
    }

    run_ = std::make_unique<StudyRun>(*desktop_, [this] { return quitting_; });
    const bool started = run_->start();
    splash_->close();
    if (quitting_) {
        // Asked to end while starting: keep what exists and go.
        run_->finish();
        return 0;
    }
    if (!started)
        return 1;
    QObject::connect(
        run_->commands()->quit, &QAction::triggered, qApp, [this] { shutdown(); }, Qt::QueuedConnection);
    QObject::connect(run_->window(), &WordWindow::closeRequested, qApp, [this] { shutdown(); });

    // Qt ends the process at once when the X server goes away, without
    // closing any window: the resume row is saved from plain data then.
    g_running = this;
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit(&Application::saveAtExit);
    }
    return QApplication::exec();
}

void Application::shutdown()
{
    if (quitting_)
        return;
    quitting_ = true;
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
