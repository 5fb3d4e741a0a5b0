#include "app/application.h"
#include "app/command_line.h"
#include "app/error_handler.h"
#include "platform/control_channel.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const kelp::CommandLine cl = kelp::parseCommandLine(arguments);
    switch (cl.action) {
    case kelp::CommandLine::Action::Help: std::fputs(qPrintable(kelp::usage()), stdout); return 0;
    case kelp::CommandLine::Action::Error:
        std::fprintf(stderr, "kelpword: %s\n%s", qPrintable(cl.error), qPrintable(kelp::usage()));
        return 2;
    case kelp::CommandLine::Action::Send: {
        QCoreApplication app(argc, argv);
        QString message;
        const int status = kelp::platform::sendControlCommand(cl.command, &message);
        if (!message.isEmpty())
            std::fprintf(stderr, "kelpword: %s\n", qPrintable(message));
        return status;
    }
    case kelp::CommandLine::Action::Autostart: {
        QCoreApplication app(argc, argv);
        QString error;
        if (kelp::setAutostart(cl.autostartOn, &error))
            return 0;
        std::fprintf(stderr, "kelpword: %s\n", qPrintable(error));
        return 1;
    }
    case kelp::CommandLine::Action::Run: break;
    }

    // The word window relies on X11 facilities (global key grabs, stacking).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    qSetMessagePattern(QStringLiteral("kelpword: %{message}"));
    kelp::KelpApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelpword"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelpword.png")));
    // The program folder is the current one; a given one or the user's own takes its place.
    QString folder = cl.folder;
    if (cl.userFolder) {
        QString error;
        folder = kelp::prepareUserFolder(&error);
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
    return program.run();
}
