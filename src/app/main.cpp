#include "app/transparent_win.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The word window relies on X11 facilities (global key grabs, stacking).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelpword"));
    kelp::transparent_win program;
    return program.run();
}
