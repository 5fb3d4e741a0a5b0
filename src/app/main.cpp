#include "app/application.h"
#include "app/error_handler.h"
#include "app/start_loader.h"
#include "app/user_folder.h"
#include "launcher/command_line.h"
#include "launcher/messages.h"
#include "platform/desktop.h"
#include "platform/fonts.h"
#include "platform/instance_guard.h"
#include "platform/termination_signals.h"
#include "platform/translations.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QThread>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <pthread.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

[[noreturn]] void noDisplay()
{
    // Said before the toolkit runs: in the launcher's own words, which need no application.
    const std::string why =
        kelp::translated("no X11 display could be opened (DISPLAY=\"" + qgetenv("DISPLAY").toStdString() +
                         "\"). Kelp Words needs an X11 display; in a Wayland session XWayland "
                         "provides one (install and enable it), without any desktop use "
                         "xvfb-run kelpword.");
    std::fprintf(stderr, "kelpword: %s\n", why.c_str());
    std::fflush(nullptr);
    std::_Exit(1);
}

// The toolkit ends the process when it cannot reach the display after all
// (it went away since the check above, or the platform plug-in is missing),
// with advice that does not help: the same line as for no display instead.
// What it says before that is kept back, and said only if it starts.
QtMessageHandler g_toolkitHandler = nullptr;
std::vector<std::pair<QtMsgType, QString>> g_toolkitSaid;
void toolkitStartMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        noDisplay();
    g_toolkitSaid.emplace_back(type, message);
}
void toolkitStarted()
{
    qInstallMessageHandler(g_toolkitHandler);
    for (const auto &[type, message] : std::exchange(g_toolkitSaid, {}))
        qt_message_output(type, QMessageLogContext(), message);
}

} // namespace

int main(int argc, char *argv[])
{
    // One heap for every thread: a thread's own arena keeps what it freed
    // (词库's rows, read on its database thread) for the rest of the day,
    // where the one heap gives it back. The trainer's few threads never
    // contend for it.
    ::mallopt(M_ARENA_MAX, 1);
    // Qt takes the first thread that asks for its thread data for its main
    // thread: this one, before the threads below.
    QThread::currentThread();
    // The user's locale before any thread starts (the toolkit sets the same):
    // the database drivers hand text over in it.
    std::setlocale(LC_ALL, "");
    const kelp::CommandLine cl = kelp::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    // "kelpword" took everything else; here only the ways to run the trainer, and its usage.
    if (cl.action == kelp::CommandLine::Action::Help) {
        std::fputs(kelp::usage().c_str(), stdout);
        return 0;
    }
    if (cl.action == kelp::CommandLine::Action::Version) {
        std::printf("kelpword-gui %s\n", KELP_VERSION);
        return 0;
    }
    if (cl.action != kelp::CommandLine::Action::Run) {
        std::fprintf(stderr, "kelpword-gui: %s\n%s",
                     kelp::translated(cl.error.empty() ? "use kelpword for this" : cl.error).c_str(),
                     kelp::usage().c_str());
        return 2;
    }

    // The word window relies on X11 facilities (global key grabs, stacking).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Without a display Qt would abort with advice that does not help.
    if (qgetenv("QT_QPA_PLATFORM") == "xcb" && !kelp::platform::canOpenX11Display())
        noDisplay();
    qSetMessagePattern(QStringLiteral("kelpword: %{message}"));
    // The font configuration is read beside the toolkit's start (which reads no
    // fonts) instead of on the first word's way.
    const std::jthread fontConfiguration([] {
        pthread_setname_np(pthread_self(), "kelp-fonts");
        kelp::platform::loadFontConfiguration();
    });
    // The single-copy lock comes first: a copy that is refused loads nothing.
    auto guard = std::make_unique<kelp::platform::InstanceGuard>();
    const kelp::platform::InstanceGuard::Outcome running = guard->acquire();
    const QString given = cl.userFolder ? kelp::userFolderPath() : QString::fromLocal8Bit(cl.folder.c_str());
    // A logout (SIGTERM) while a database holds the loads up must end the
    // start as one after it does, not kill the process: caught from here on.
    kelp::platform::TerminationSignals::catchNow();
    // Owns the start's loads and their threads until the end of main.
    kelp::StartLoader loader(running == kelp::platform::InstanceGuard::Outcome::Acquired
                                 ? (given.isEmpty() ? QStringLiteral(".") : given)
                                 : QString());
    const auto finish = [&loader](int status) { return loader.finish(status); };

    g_toolkitHandler = qInstallMessageHandler(toolkitStartMessage);
    kelp::KelpApplication app(argc, argv);
    toolkitStarted();
    kelp::platform::installQtTranslations(QLocale::system());
    kelp::platform::installOwnTranslations(QLocale::system());
    QApplication::setApplicationName(QStringLiteral("kelpword"));
    // The program folder is the current one; a given one or the user's own takes its place.
    QString folder = QString::fromLocal8Bit(cl.folder.c_str());
    bool firstStart = false;
    if (cl.userFolder) {
        QString error;
        folder = kelp::prepareUserFolder(&error, &firstStart);
        if (folder.isEmpty()) {
            std::fprintf(stderr, "kelpword: %s\n", qPrintable(error));
            return finish(1);
        }
    }
    if (!folder.isEmpty() && !QDir::setCurrent(folder)) {
        std::fprintf(
            stderr, "kelpword: %s\n",
            qPrintable(QCoreApplication::translate("kelpword-gui", "cannot use %1 as the program folder").arg(folder)));
        return finish(2);
    }
    // A bare "kelpword" where there are no settings asks for a file: from a
    // terminal, the menu's own folder may have been meant.
    if (folder.isEmpty() && !QFileInfo::exists(QStringLiteral("wkcfg.ini")))
        std::fprintf(stderr, "kelpword: %s\n",
                     qPrintable(QCoreApplication::translate(
                         "kelpword-gui", "there is no wkcfg.ini in this folder, so the trainer asks for one; "
                                         "\"kelpword --user-folder\" runs it in your own folder, as the menu does")));
    loader.toolkitStarted();
    kelp::Application program(app, std::move(guard), running, loader);
    if (firstStart)
        program.introduceOnFirstStart();
    return finish(program.run());
}
