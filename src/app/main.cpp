#include "app/application.h"
#include "app/error_handler.h"
#include "app/user_folder.h"
#include "config/settings.h"
#include "launcher/command_line.h"
#include "platform/desktop.h"
#include "platform/fonts.h"
#include "platform/odbc.h"
#include "platform/translations.h"
#include "startload/study_load.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QPixmap>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <utility>
#include <vector>

namespace {

// The program's icon, read by the toolkit's own PNG reader: left to guess the
// format, it would load every image plug-in.
QImage programIcon()
{
    QImageReader reader(QStringLiteral(":/kelpword.png"), "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace

int main(int argc, char *argv[])
{
    const kelp::CommandLine cl = kelp::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    // "kelpword" took everything else; here only the ways to run the trainer.
    if (cl.action != kelp::CommandLine::Action::Run) {
        std::fprintf(stderr, "kelpword-gui: %s\n%s", cl.error.empty() ? "use kelpword for this" : cl.error.c_str(),
                     kelp::usage().c_str());
        return 2;
    }

    // The word window relies on X11 facilities (global key grabs, stacking).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Without a display Qt would abort with advice that does not help.
    if (qgetenv("QT_QPA_PLATFORM") == "xcb" && !kelp::platform::canOpenX11Display()) {
        std::fprintf(stderr,
                     "kelpword: no X11 display could be opened (DISPLAY=\"%s\"). Kelp Words needs an X11 "
                     "display; in a Wayland session XWayland provides one (install and enable it), "
                     "without any desktop use xvfb-run kelpword.\n",
                     qgetenv("DISPLAY").constData());
        return 1;
    }
    qSetMessagePattern(QStringLiteral("kelpword: %{message}"));
    // Read beside the toolkit's start, which needs neither, instead of on the
    // first word's way: the font configuration and the program's icon.
    std::future<QImage> icon = std::async(std::launch::async, [] {
        kelp::platform::loadFontConfiguration();
        return programIcon();
    });
    // A start in a database mode loads on a thread of its own meanwhile.
    const QString aheadFolder = cl.userFolder ? kelp::userFolderPath() : QString::fromLocal8Bit(cl.folder.c_str());
    std::promise<void> toolkitStarted;
    std::future<kelp::LoadAhead> ahead =
        std::async(std::launch::async, [aheadFolder, started = toolkitStarted.get_future().share()] {
            return kelp::loadAhead(aheadFolder, started);
        });
    kelp::KelpApplication app(argc, argv);
    toolkitStarted.set_value();
    kelp::platform::installQtTranslations(QLocale::system());
    QApplication::setApplicationName(QStringLiteral("kelpword"));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon.get())));
    // The program folder is the current one; a given one or the user's own takes its place.
    QString folder = QString::fromLocal8Bit(cl.folder.c_str());
    bool firstStart = false;
    if (cl.userFolder) {
        QString error;
        folder = kelp::prepareUserFolder(&error, &firstStart);
        if (folder.isEmpty()) {
            std::fprintf(stderr, "kelpword: %s\n", qPrintable(error));
            return 1;
        }
    }
    if (!folder.isEmpty() && !QDir::setCurrent(folder)) {
        std::fprintf(stderr, "kelpword: cannot use %s as the program folder\n", qPrintable(folder));
        return 2;
    }
    kelp::Application program(app);
    program.useLoadAhead(&ahead);
    if (firstStart)
        program.introduceOnFirstStart();
    const int status = program.run();
    // Ended before the start-up took the load (a second copy, say) while a
    // server has not answered yet: not waited for.
    if (ahead.valid() && ahead.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
