#include "app/program_icon.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QWidget>

namespace kelp {

ProgramIcon::ProgramIcon(QApplication &app)
{
    app.installEventFilter(this);
}

void ProgramIcon::set()
{
    if (done_)
        return;
    done_ = true;
    QCoreApplication::instance()->removeEventFilter(this);
    // Read by the toolkit's own PNG reader: left to guess the format, it would
    // have every image plug-in probe the file.
    QImageReader reader(QStringLiteral(":/kelpword.png"), "png");
    reader.setAutoDetectImageFormat(false);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(reader.read())));
}

bool ProgramIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        const auto *widget = static_cast<const QWidget *>(watched);
        if (widget->isWindow() && !widget->windowFlags().testFlag(Qt::FramelessWindowHint))
            set();
    }
    return false;
}

} // namespace kelp
