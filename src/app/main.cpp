#include "app/application.h"
#include "app/error_handler.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The word window relies on X11 facilities (global key grabs, stacking).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    qSetMessagePattern(QStringLiteral("kelpword: %{message}"));
    kelp::KelpApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelpword"));
    kelp::Application program(app);
    return program.run();
}
