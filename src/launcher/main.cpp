// "kelpword": sends commands to the running trainer and switches autostart
// itself, quickly (it loads next to nothing); to run the trainer it hands
// over to the trainer's own program, kelpword-gui.
#include "launcher/command_line.h"
#include "runtime/control_client.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

#ifndef KELP_LIBEXEC_FROM_BIN
#define KELP_LIBEXEC_FROM_BIN "../libexec/kelpword"
#endif

namespace {

// Beside this program (a build tree), or where the package puts it
// relative to this program's own folder.
QByteArray installedProgram(const QString &name)
{
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString folder = QFileInfo(self).absolutePath();
    for (const QString &candidate :
         {folder + QLatin1Char('/') + name,
          folder + QLatin1Char('/') + QStringLiteral(KELP_LIBEXEC_FROM_BIN) + QLatin1Char('/') + name}) {
        if (QFileInfo(candidate).isExecutable())
            return QFile::encodeName(QFileInfo(candidate).absoluteFilePath());
    }
    return QByteArray();
}

} // namespace

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
        QString error;
        if (kelp::setAutostart(cl.autostartOn, &error))
            return 0;
        std::fprintf(stderr, "kelpword: %s\n", qPrintable(error));
        return 1;
    }
    case kelp::CommandLine::Action::Study: {
        // Import and progress load far more than the commands: a program of their own.
        const QByteArray study = installedProgram(QStringLiteral("kelpword-study"));
        if (study.isEmpty()) {
            std::fprintf(stderr, "kelpword: kelpword-study is not installed beside kelpword\n");
            return 1;
        }
        ::execv(study.constData(), argv);
        std::perror("kelpword: cannot start kelpword-study");
        return 1;
    }
    case kelp::CommandLine::Action::Run: break;
    }
    const QByteArray trainer = installedProgram(QStringLiteral("kelpword-gui"));
    if (trainer.isEmpty()) {
        std::fprintf(stderr, "kelpword: the trainer (kelpword-gui) is not installed beside kelpword\n");
        return 1;
    }
    // argv[0] stays "kelpword": the trainer's windows are known by that name.
    ::execv(trainer.constData(), argv);
    std::perror("kelpword: cannot start kelpword-gui");
    return 1;
}
