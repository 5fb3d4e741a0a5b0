// The word window's presentation cycle as plain state: which row is shown,
// which step comes next, and the texts, visibility, geometry (layout units)
// and font sizes of the three labels and the window. The window applies this
// state to its widgets; everything here runs without a display.
#pragma once

#include "study/word_buffer.h"

#include <QString>

#include <functional>
#include <vector>

namespace kelp {

struct LabelState {
    QString text;
    bool visible = true;
    int x = 0, y = 0, width = 0, height = 0;
    int fontPt = 12;
};

struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// Designed geometry, in layout units.
namespace design {
inline constexpr WindowGeometry kWindow{1189, 1000, 1637, 284};
inline constexpr int kSt2X = 69, kSt2Y = 32, kSt2W = 901, kSt2H = 96;
inline constexpr int kSt3X = 1024, kSt3Y = 32, kSt3W = 475, kSt3H = 96;
inline constexpr int kSt4X = 69, kSt4Y = 140, kSt4W = 1426, kSt4H = 96;
inline constexpr int kFontPt = 12;
inline constexpr int kSmallFontPt = 9;
} // namespace design

class Presentation {
public:
    explicit Presentation(const WordBuffer &dw_new);

    // Resets labels and window to the designed layout.
    void restoreDesign();

    // Start-up: counts the rows and shows row `reci` (word only). Returns
    // false when the buffer is empty ("无数据" shown; the timer must stay off).
    bool showFirstRow();

    void tick();      // one timer tick
    void nplay();     // one presentation step
    void autowidth(); // fit widths and fonts to row `reci`
    void applyLineBreakRule();

    // Double click: switches between the fitted layout and the screen-wide
    // one. Sizes of the screen and of the designed window in layout units.
    void toggleLayout(int screenHeightUnits, int ii_width, int ii_height);
    void winbig(int screenHeightUnits, int ii_width, int ii_height);
    void restoreLayout(int ii_width, int ii_height);

    // Learner commands on the cycle (the window adds timer and visibility).
    void nextItem();
    void previousItem();
    // `listMode`: the buffer was loaded from the group list `zxh`.
    void nextGroup(bool listMode, const std::vector<int> &zxh);
    void previousGroup(bool listMode, const std::vector<int> &zxh);

    // The row whose item is on display (the meaning step has already moved
    // `reci` past it).
    long rowOnDisplay() const { return st_4.visible ? reci - 1 : reci; }

    // Presentation state.
    long reci = 0;
    int dwrs = 0;
    int xxs = 1;
    bool gopen = true;
    bool autow = true;
    bool pfsy = true;
    bool ypause = false;
    int fzxh = 0;

    LabelState st_2, st_3, st_4;
    WindowGeometry win;
    int screenWidthUnits = 0; // screen width in horizontal layout units

    // Pronounces a word (called with the text of st_2).
    std::function<void(const QString &)> plawav;

private:
    void pronounceIfWord(const Cell &da);
    void groupStep(bool next, bool listMode, const std::vector<int> &zxh);
    const WordBuffer &dw_new_;
};

} // namespace kelp
