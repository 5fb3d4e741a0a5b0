#include "app/splash_window.h"

#include "config/colours.h"
#include "platform/layout_units.h"
#include "util/log.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

namespace kelp {

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(new QLabel(this)), loading_(new QLabel(QStringLiteral("loading.."), this))
{
    setObjectName(QStringLiteral("splashWindow"));
    setWindowTitle(QStringLiteral("Kelp Words - loading"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    picture_->setPixmap(QPixmap(QStringLiteral(":/splash.png")));

    platform::LayoutUnits units;
    if (QScreen *screen = QGuiApplication::primaryScreen())
        units = platform::LayoutUnits(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
    loading_->setGeometry(units.xToPixels(402), units.yToPixels(96), units.xToPixels(402), units.yToPixels(96));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    font.setWeight(QFont::Bold);
    loading_->setFont(font);
    loading_->setAutoFillBackground(true);
    QPalette pal = loading_->palette();
    const Rgb text = rgbOf(8388608);
    const Rgb back = rgbOf(15780518);
    pal.setColor(QPalette::WindowText, QColor(text.r, text.g, text.b));
    pal.setColor(QPalette::Window, QColor(back.r, back.g, back.b));
    loading_->setPalette(pal);
}

void SplashWindow::open()
{
    // The window is exactly the picture, centred on the screen.
    picture_->move(0, 0);
    picture_->adjustSize();
    resize(picture_->size());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    qCDebug(lcApp) << "splash shown";
    // A message box or dialog of the start-up must not be hidden under it.
    qApp->installEventFilter(this);
}

bool SplashWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && isVisible() && qobject_cast<QDialog *>(watched))
        hide();
    return QWidget::eventFilter(watched, event);
}

} // namespace kelp
