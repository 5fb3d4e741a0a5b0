#include "settings/colour_window.h"

#include "config/colours.h"
#include "config/settings.h"
#include "settings/palette_window.h"
#include "settings/screen_fit.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace kelp {
namespace {

QColor toQColor(long value)
{
    const Rgb c = rgbOf(value);
    return QColor(c.r, c.g, c.b);
}

void setColour(QWidget &widget, QPalette::ColorRole role, long value)
{
    QPalette pal = widget.palette();
    pal.setColor(role, toQColor(value));
    widget.setPalette(pal);
}

constexpr long kBlue = 16711680;

} // namespace

ColourWindow::ColourWindow(Settings &settings, SettingsFile &file, std::function<void()> apply, QWidget *parent)
    // A title bar to move it by; above the word window, which stays on top.
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), settings_(settings), file_(file), apply_(std::move(apply))
{
    setObjectName(QStringLiteral("colourWindow"));
    setWindowTitle(tr("颜色设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    const ScreenFit fit = fitToScreen(1966, 1184);
    units_ = fit.units;
    const auto rect = [this](int x, int y, int w, int h) {
        return QRect(units_.xToPixels(x), units_.yToPixels(y), units_.xToPixels(w), units_.yToPixels(h));
    };
    resize(units_.xToPixels(1966), units_.yToPixels(1184));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10 * fit.scale);
    setFont(font);

    preview_ = new QGroupBox(tr("结果预览"), this);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setGeometry(rect(146, 64, 1646, 576));
    preview_->setAutoFillBackground(true);
    setColour(*preview_, QPalette::WindowText, kBlue); // the caption
    const auto sample = [&](const char *name, const QString &text, QRect at) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        label->setTextFormat(Qt::PlainText);
        label->setGeometry(at);
        QFont sampleFont(QStringLiteral("Arial"));
        sampleFont.setPointSizeF(12 * fit.scale);
        label->setFont(sampleFont);
        label->setAutoFillBackground(true);
        return label;
    };
    word_ = sample("sampleWord", QStringLiteral("sea"), rect(366, 224, 585, 128));
    phonetic_ = sample("samplePhonetic", QStringLiteral("/ si:/"), rect(1024, 224, 585, 128));
    meaning_ = sample("sampleMeaning", tr("n. 海；海洋；许多；大量"), rect(366, 416, 1243, 128));

    const auto button = [&](const char *name, const QString &text, QRect at) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(at);
        return b;
    };
    connect(button("textColourButton", tr("文本颜色"), rect(256, 736, 402, 112)), &QPushButton::clicked, this,
            [this] { choose(Choice::Text); });
    connect(button("labelColourButton", tr("文本背景"), rect(768, 736, 402, 112)), &QPushButton::clicked, this,
            [this] { choose(Choice::LabelBackground); });
    connect(button("windowColourButton", tr("窗口背景"), rect(1280, 736, 402, 112)), &QPushButton::clicked, this,
            [this] { choose(Choice::WindowBackground); });
    connect(button("quitButton", tr("退出"), rect(256, 928, 1426, 96)), &QPushButton::clicked, this, &QWidget::close);

    runPalette = [this] {
        PaletteWindow palette(this);
        palette.exec();
        return palette.returnedText().toInt();
    };

    // The current choices.
    const long text = paletteColour(settings_.textColour);
    const long face = paletteColour(settings_.labelColour);
    const long back = paletteColour(settings_.windowColour);
    showText(text);
    showLabelBackground(face);
    showWindowBackground(back);
    centreIn(*this, fit.free);
}

void ColourWindow::choose(Choice choice)
{
    const int number = runPalette();
    // No check here: a palette closed without a click previews as -1.
    switch (choice) {
    case Choice::Text:
        settings_.textColour = number;
        showText(paletteColour(number));
        break;
    case Choice::LabelBackground:
        settings_.labelColour = number;
        showLabelBackground(paletteColour(number));
        break;
    case Choice::WindowBackground:
        settings_.windowColour = number;
        showWindowBackground(paletteColour(number));
        break;
    }
}

// The value -1 (a number outside the palette) is drawn as the word window
// draws it: in the default colour of its part.
void ColourWindow::showText(long colour)
{
    for (QLabel *label : {word_, phonetic_, meaning_})
        setColour(*label, QPalette::WindowText, colour != -1 ? colour : kDefaultTextColour);
}

void ColourWindow::showLabelBackground(long colour)
{
    for (QLabel *label : {word_, phonetic_, meaning_})
        setColour(*label, QPalette::Window, colour != -1 ? colour : kDefaultLabelColour);
}

void ColourWindow::showWindowBackground(long colour)
{
    setColour(*preview_, QPalette::Window, colour != -1 ? colour : kDefaultWindowColour);
}

void ColourWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close(); // as 退出 does
        return;
    }
    QWidget::keyPressEvent(event);
}

void ColourWindow::closeEvent(QCloseEvent *event)
{
    // However it closes: the word window takes the colours, then they are saved.
    if (apply_)
        apply_();
    file_.write(keys::textColour, settings_.textColour);
    file_.write(keys::labelColour, settings_.labelColour);
    file_.write(keys::windowColour, settings_.windowColour);
    event->accept();
}

} // namespace kelp
