// The colour settings and the palette under Qt's offscreen platform.
#include "config/colours.h"
#include "config/settings.h"
#include "platform/layout_units.h"
#include "settings/colour_window.h"
#include "settings/palette_window.h"
#include "support/files.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

QColor colourOf(long value)
{
    const Rgb c = rgbOf(value);
    return QColor(c.r, c.g, c.b);
}

} // namespace

TEST(PaletteWindow, SwatchesStandAtTheirPlacesInTheirColours)
{
    PaletteWindow palette;
    const platform::LayoutUnits units;
    EXPECT_EQ(palette.size(), QSize(units.xToPixels(2117), units.yToPixels(1704)));
    const QPoint expected[] = {{},          {219, 96},   {1536, 96},  {219, 480},   {1536, 1056}, {878, 480},
                               {1536, 864}, {219, 1056}, {878, 288},  {219, 672},   {219, 864},   {878, 864},
                               {878, 1056}, {219, 288},  {878, 672},  {1536, 1248}, {1536, 480},  {1536, 672},
                               {219, 1248}, {878, 96},   {878, 1248}, {1536, 288}};
    for (int number = 1; number <= 21; ++number) {
        EXPECT_EQ(PaletteWindow::swatchPosition(number), expected[number]) << number;
        QRadioButton *swatch = palette.swatch(number);
        ASSERT_NE(swatch, nullptr);
        EXPECT_EQ(swatch->mapTo(&palette, QPoint(0, 0)),
                  QPoint(units.xToPixels(expected[number].x() - 37) + units.xToPixels(37),
                         units.yToPixels(expected[number].y())))
            << number;
        EXPECT_EQ(swatch->palette().color(QPalette::Window), colourOf(paletteColour(number))) << number;
        EXPECT_EQ(swatch->isChecked(), number == 2) << number;
    }
}

TEST(PaletteWindow, ReturnsTheLastSwatchClickedOrZero)
{
    PaletteWindow palette;
    EXPECT_EQ(palette.returnedText(), "0");
    QTest::mouseClick(palette.swatch(7), Qt::LeftButton);
    QTest::mouseClick(palette.swatch(12), Qt::LeftButton);
    QTest::mouseClick(palette.findChild<QPushButton *>("quitButton"), Qt::LeftButton);
    EXPECT_EQ(palette.result(), QDialog::Accepted);
    EXPECT_EQ(palette.returnedText(), "12");
}

TEST(ColourWindow, PreviewDefaultsChoicesAndTheWritesAtClose)
{
    test::ProgramFolder folder;
    SettingsFile file(folder.filePath("wkcfg.ini"));
    Settings settings;
    settings.textColour = 0;   // outside the palette: the default text colour
    settings.labelColour = 99; // outside: the default label colour
    settings.windowColour = 0; // outside: white
    int applied = 0;
    auto *window = new ColourWindow(settings, file, [&] {
        ++applied;
        EXPECT_EQ(folder.setting("c1"), QString()); // applied before anything is written
    });
    EXPECT_EQ(window->sampleWord()->palette().color(QPalette::WindowText), colourOf(kDefaultTextColour));
    EXPECT_EQ(window->sampleWord()->palette().color(QPalette::Window), colourOf(kDefaultLabelColour));
    EXPECT_EQ(window->preview()->palette().color(QPalette::Window), QColor(255, 255, 255));

    int next = 7;
    window->runPalette = [&] { return next; };
    window->choose(ColourWindow::Choice::Text);
    EXPECT_EQ(settings.textColour, 7);
    EXPECT_EQ(window->sampleWord()->palette().color(QPalette::WindowText), colourOf(16711680));
    next = 0; // closed without a click: -1, drawn as the word window draws it
    window->choose(ColourWindow::Choice::WindowBackground);
    EXPECT_EQ(settings.windowColour, 0);
    EXPECT_EQ(window->preview()->palette().color(QPalette::Window), colourOf(kDefaultWindowColour));
    window->choose(ColourWindow::Choice::Text);
    EXPECT_EQ(window->sampleWord()->palette().color(QPalette::WindowText), colourOf(kDefaultTextColour));
    window->choose(ColourWindow::Choice::LabelBackground);
    EXPECT_EQ(window->sampleWord()->palette().color(QPalette::Window), colourOf(kDefaultLabelColour));
    EXPECT_EQ(applied, 0); // the word window takes them only when this closes

    // Escape closes it as 退出 does.
    window->show();
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(test::readAll(folder.filePath("wkcfg.ini")), QByteArray("[other]\r\nc1=0\r\nc2=0\r\nc3=0\r\n"));
}

TEST(ColourWindow, BothWindowsHaveATitleBarStayAboveTheWordWindowAndFitTheScreen)
{
    test::ProgramFolder folder;
    SettingsFile file(folder.filePath("wkcfg.ini"));
    Settings settings;
    auto *colours = new ColourWindow(settings, file, [] {});
    PaletteWindow palette;
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    for (QWidget *w : {static_cast<QWidget *>(colours), static_cast<QWidget *>(&palette)}) {
        EXPECT_FALSE(w->windowFlags() & Qt::FramelessWindowHint) << w->objectName().toStdString();
        EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint) << w->objectName().toStdString();
        EXPECT_TRUE(free.contains(QRect(w->pos(), w->size()))) << w->objectName().toStdString();
    }
    colours->close();

    // Escape answers as 退出 does: the swatch clicked stands.
    palette.show();
    QTest::mouseClick(palette.swatch(7), Qt::LeftButton);
    QTest::keyClick(&palette, Qt::Key_Escape);
    EXPECT_EQ(palette.result(), QDialog::Accepted);
    EXPECT_EQ(palette.returnedText(), "7");
}
