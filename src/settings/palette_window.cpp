#include "settings/palette_window.h"

#include "config/colours.h"
#include "settings/screen_fit.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace kelp {
namespace {

// Column and row (from 1) of each palette entry's swatch.
constexpr int kPlace[22][2] = {
    {0, 0}, {1, 1}, {3, 1}, {1, 3}, {3, 6}, {2, 3}, {3, 5}, {1, 6}, {2, 2}, {1, 4}, {1, 5},
    {2, 5}, {2, 6}, {1, 2}, {2, 4}, {3, 7}, {3, 3}, {3, 4}, {1, 7}, {2, 1}, {2, 7}, {3, 2},
};
constexpr int kColumnX[4] = {0, 219, 878, 1536};
constexpr int kRowY[8] = {0, 96, 288, 480, 672, 864, 1056, 1248};
constexpr long kDialogFace = 134217747; // system colour 19

// A swatch is clicked anywhere on its colour, not only on its small circle.
class Swatch : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

QColor toQColor(long value)
{
    const Rgb c = rgbOf(value);
    return QColor(c.r, c.g, c.b);
}

} // namespace

QPoint PaletteWindow::swatchPosition(int number)
{
    if (number < 1 || number > 21)
        return {};
    return {kColumnX[kPlace[number][0]], kRowY[kPlace[number][1]]};
}

// A title bar to move it by; above the word window. Escape answers as 退出 does.
PaletteWindow::PaletteWindow(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("paletteWindow"));
    setWindowTitle(tr("颜色选项"));
    const ScreenFit fit = fitToScreen(2117, 1704);
    units_ = fit.units;
    const auto rect = [this](int x, int y, int w, int h) {
        return QRect(units_.xToPixels(x), units_.yToPixels(y), units_.xToPixels(w), units_.yToPixels(h));
    };
    resize(units_.xToPixels(2117), units_.yToPixels(1704));
    setAutoFillBackground(true);
    QPalette face = palette();
    face.setColor(QPalette::Window, toQColor(kDialogFace));
    setPalette(face);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10 * fit.scale);
    setFont(font);

    auto *frame = new QGroupBox(tr("颜色选项"), this);
    frame->setGeometry(rect(37, 0, 1975, 1472));
    for (int number = 1; number <= 21; ++number) {
        auto *swatch = new Swatch(frame);
        swatch->setObjectName(QStringLiteral("rb_%1").arg(number));
        const QPoint at = swatchPosition(number);
        // Positions are the window's; the frame starts at its own place.
        swatch->setGeometry(rect(at.x() - 37, at.y(), 256, 64));
        swatch->setBackgroundRole(QPalette::Window); // buttons fill with another role by default
        swatch->setAutoFillBackground(true);
        QPalette colour = swatch->palette();
        colour.setColor(QPalette::Window, toQColor(kPalette[static_cast<size_t>(number)]));
        swatch->setPalette(colour);
        connect(swatch, &QRadioButton::clicked, this, [this, swatch, number] {
            if (swatch->isChecked())
                chosen_ = number;
        });
        swatches_[number] = swatch;
    }
    swatches_[2]->setChecked(true);
    auto *quit = new QPushButton(tr("退出"), this);
    quit->setObjectName(QStringLiteral("quitButton"));
    quit->setGeometry(rect(1207, 1504, 402, 112));
    connect(quit, &QPushButton::clicked, this, &QDialog::accept);
    centreIn(*this, fit.free);
}

void PaletteWindow::reject()
{
    accept(); // Escape or the title bar's close: the choice made stands, as with 退出
}

QRadioButton *PaletteWindow::swatch(int number) const
{
    return number >= 1 && number <= 21 ? swatches_[number] : nullptr;
}

} // namespace kelp
