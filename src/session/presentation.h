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
inline constexpr int kWordX = 69, kWordY = 32, kWordWidth = 901, kWordHeight = 96;
inline constexpr int kPhoneticX = 1024, kPhoneticY = 32, kPhoneticWidth = 475, kPhoneticHeight = 96;
inline constexpr int kMeaningX = 69, kMeaningY = 140, kMeaningWidth = 1426, kMeaningHeight = 96;
inline constexpr int kFontPt = 12;
inline constexpr int kSmallFontPt = 9;
} // namespace design

// The most of one field a label shows: more than any screen holds.
inline constexpr qsizetype kMaxShownChars = 1000;

class Presentation {
public:
    explicit Presentation(const WordBuffer &buffer);

    // Resets labels and window to the designed layout.
    void restoreDesign();

    // Start-up: counts the rows and shows row `row` (word only). Returns
    // false when the buffer is empty ("无数据" shown; the timer must stay off).
    bool showFirstRow();

    void tick();     // one timer tick
    void step();     // one presentation step
    void fitToRow(); // fit widths and fonts to the current row
    void applyLineBreakRule();

    // Double click: switches between the fitted layout and the screen-wide
    // one. Sizes of the screen and of the designed window in layout units.
    void toggleLayout(int screenHeightUnits, int designWidth, int designHeight);
    void spreadAcrossScreen(int screenHeightUnits, int designWidth, int designHeight);
    void restoreLayout(int designWidth, int designHeight);

    // Learner commands on the cycle (the window adds timer and visibility).
    void nextItem();
    void previousItem();
    // `listMode`: the buffer was loaded from the group list `groups`.
    void nextGroup(bool listMode, const std::vector<int> &groups);
    void previousGroup(bool listMode, const std::vector<int> &groups);

    // The row whose item is on display (the meaning step has already moved
    // `row` past it).
    long rowOnDisplay() const { return meaningLabel.visible ? currentRow - 1 : currentRow; }
    // Row `row` was changed in the buffer: shown again where it is on
    // display, the place in the cycle kept.
    void refreshRow(long row);

    // Presentation state.
    long currentRow = 0;
    int loadedRows = 0;
    int phase = 1;
    bool firstTickPending = true;
    bool fitted = true;
    bool speaking = true;
    bool paused = false;
    int currentGroup = 0;

    LabelState wordLabel, phoneticLabel, meaningLabel;
    WindowGeometry win;
    int screenWidthUnits = 0; // screen width in horizontal layout units

    // Pronounces a word (called with the text of wordLabel).
    std::function<void(const QString &)> pronounce;
    // Readies the word the next step will pronounce.
    std::function<void(const QString &)> prepare;

private:
    void pronounceIfWord(const Cell &wordCell);
    void prepareNextWord();
    void groupStep(bool next, bool listMode, const std::vector<int> &groups);
    const WordBuffer &buffer_;
};

} // namespace kelp
