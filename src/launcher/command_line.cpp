#include "launcher/command_line.h"

#include "config/safe_file.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace kelp {

const QStringList &controlCommands()
{
    static const QStringList commands{
        QStringLiteral("pause"),    QStringLiteral("hide"),       QStringLiteral("show"),
        QStringLiteral("mute"),     QStringLiteral("note"),       QStringLiteral("next"),
        QStringLiteral("previous"), QStringLiteral("next-group"), QStringLiteral("previous-group"),
        QStringLiteral("settings"), QStringLiteral("colours"),    QStringLiteral("quit"),
    };
    return commands;
}

QString usage()
{
    return QStringLiteral("usage: kelpword                     run the trainer in the current folder\n"
                          "       kelpword --folder DIR        run it with DIR as the program folder\n"
                          "       kelpword --user-folder       run it in ~/.local/share/kelpword (made on first use)\n"
                          "       kelpword COMMAND             send a command to the running trainer\n"
                          "       kelpword --autostart on|off  start it at login, or no longer\n"
                          "       kelpword import [--folder DIR | --user-folder | --dsn NAME] [--group-size N] FILE...\n"
                          "                                    add word lists (CSV, TSV, Anki, KVTML, word#meaning)\n"
                          "       kelpword progress [--folder DIR | --user-folder | --dsn NAME] [--chart FILE.png|FILE.svg]\n"
                          "                                    today's groups, the next 14 days, the stages\n"
                          "commands: pause, hide, show, mute, note, next, previous, next-group, previous-group,\n"
                          "          settings, colours, quit\n");
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine cl;
    const auto error = [&cl](const QString &text) {
        cl.action = CommandLine::Action::Error;
        cl.error = text;
        return cl;
    };
    if (arguments.isEmpty())
        return cl;
    const QString &first = arguments.first();
    if (first.toUtf8().size() > 64)
        return error(QStringLiteral("argument too long"));
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        cl.action = CommandLine::Action::Help;
        return arguments.size() == 1 ? cl : error(QStringLiteral("--help takes nothing more"));
    }
    if (first == QLatin1String("--folder")) {
        if (arguments.size() != 2 || arguments[1].isEmpty())
            return error(QStringLiteral("--folder takes one folder"));
        cl.folder = arguments[1];
        return cl;
    }
    if (first == QLatin1String("--user-folder")) {
        cl.userFolder = true;
        return arguments.size() == 1 ? cl : error(QStringLiteral("--user-folder takes nothing more"));
    }
    if (first == QLatin1String("--autostart")) {
        if (arguments.size() != 2 || (arguments[1] != QLatin1String("on") && arguments[1] != QLatin1String("off")))
            return error(QStringLiteral("--autostart takes on or off"));
        cl.action = CommandLine::Action::Autostart;
        cl.autostartOn = arguments[1] == QLatin1String("on");
        return cl;
    }
    if (first == QLatin1String("import") || first == QLatin1String("progress")) {
        cl.action = CommandLine::Action::Study;
        cl.command = first;
        return cl;
    }
    if (!controlCommands().contains(first))
        return error(QStringLiteral("unknown command: ") + first.left(64));
    if (arguments.size() != 1)
        return error(QStringLiteral("one command at a time"));
    cl.action = CommandLine::Action::Send;
    cl.command = first;
    return cl;
}

bool setAutostart(bool on, QString *error)
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
    const QString entry = folder + QStringLiteral("/kelpword.desktop");
    if (!on) {
        if (QFile::exists(entry) && !QFile::remove(entry)) {
            *error = QStringLiteral("cannot remove ") + entry;
            return false;
        }
        return true;
    }
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot make ") + folder;
        return false;
    }
    const QByteArray desktop = "[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=Kelp Words\n"
                               "Name[zh_CN]=海带单词\n"
                               "Exec=kelpword --user-folder\n"
                               "Icon=kelpword\n"
                               "X-GNOME-Autostart-enabled=true\n";
    return replaceFileContents(entry, desktop, error);
}

} // namespace kelp
