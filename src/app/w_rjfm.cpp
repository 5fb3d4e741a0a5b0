#include "app/w_rjfm.h"

#include "platform/layout_units.h"
#include "settings/palette.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

namespace kelp {

w_rjfm::w_rjfm(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("w_rjfm"));
    setWindowTitle(QStringLiteral("Kelp Words - loading"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    p_1 = new QLabel(this);
    p_1->setPixmap(QPixmap(QStringLiteral(":/rjfm.png")));

    platform::LayoutUnits units;
    if (QScreen *screen = QGuiApplication::primaryScreen())
        units = platform::LayoutUnits(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
    st_1 = new QLabel(QStringLiteral("loading.."), this);
    st_1->setGeometry(units.xToPixels(402), units.yToPixels(96), units.xToPixels(402), units.yToPixels(96));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    font.setWeight(QFont::Bold);
    st_1->setFont(font);
    st_1->setAutoFillBackground(true);
    QPalette pal = st_1->palette();
    const Rgb text = rgbOf(8388608);
    const Rgb back = rgbOf(15780518);
    pal.setColor(QPalette::WindowText, QColor(text.r, text.g, text.b));
    pal.setColor(QPalette::Window, QColor(back.r, back.g, back.b));
    st_1->setPalette(pal);
}

void w_rjfm::open()
{
    // The window is exactly the picture, centred on the screen.
    p_1->move(0, 0);
    p_1->adjustSize();
    resize(p_1->size());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
}

} // namespace kelp
