#include "session/presentation.h"

#include "config/codec.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace kelp {

namespace {
// Group 0 is the hard words' own group, which has no number of its own.
QString groupHeading(const QString &number)
{
    return numberValue(number) == 0 ? QCoreApplication::translate("kelp::session", "生词本")
                                    : QCoreApplication::translate("kelp::session", "第") + number +
                                          QCoreApplication::translate("kelp::session", "组");
}
} // namespace
namespace {

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\f'));
}

// (length × 900 + extra) / divisor, truncated; computed wide because a
// pathological line of a word file could otherwise overflow.
int fitWidth(const QString &text, int extra, int divisor)
{
    const long long w = (static_cast<long long>(codec::gbkLength(text)) * 900 + extra) / divisor;
    constexpr long long cap = 1 << 24;
    return static_cast<int>(std::min(w, cap));
}

// What a label shows of a field: blanks around it removed, and no more than
// a screen could ever show. A pathological line of a word file (megabytes
// long) then costs no more than a normal one at every step.
QString shown(QStringView text)
{
    while (!text.isEmpty() && text.front() == QLatin1Char(' '))
        text = text.mid(1);
    text = text.left(kMaxShownChars);
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
    return text.toString();
}

QString shown(const Cell &cell)
{
    return cell ? shown(QStringView(*cell)) : QString();
}

} // namespace

Presentation::Presentation(const WordBuffer &buffer) : win(design::kWindow), buffer_(buffer)
{
    restoreDesign();
    meaningLabel.visible = false;
}

void Presentation::restoreDesign()
{
    restoreLayout(design::kWindow.width, design::kWindow.height);
    wordLabel.width = design::kWordWidth;
    phoneticLabel.width = design::kPhoneticWidth;
    meaningLabel.width = design::kMeaningWidth;
}

bool Presentation::showFirstRow()
{
    loadedRows = static_cast<int>(std::min<long>(buffer_.rowCount(), std::numeric_limits<int>::max()));
    wordLabel.visible = true;
    phoneticLabel.visible = true;
    meaningLabel.visible = false;
    if (loadedRows < 1) {
        wordLabel.text = QCoreApplication::translate("kelp::session", "无数据");
        return false;
    }
    // A saved row beyond the new material, or a nonsensical one, restarts at row 1.
    if (currentRow > loadedRows || currentRow < 1)
        currentRow = 1;
    fitToRow();

    const Cell wordCell = buffer_.item(currentRow, kWordColumn);
    if (wordCell && !wordCell->isEmpty() && isNumber(*wordCell)) {
        wordLabel.text = groupHeading(*wordCell);
        currentGroup = numberValue(*wordCell);
    } else {
        wordLabel.text = wordCell ? wordCell->left(kMaxShownChars) : QString();
        if (speaking && pronounce)
            pronounce(wordLabel.text);
        const Cell phoneticCell = buffer_.item(currentRow, kPhoneticColumn);
        if (phoneticCell && !phoneticCell->isEmpty()) {
            phoneticLabel.text = phoneticCell->left(kMaxShownChars);
            phoneticLabel.visible = true;
        }
    }
    return true;
}

void Presentation::pronounceIfWord(const Cell &wordCell)
{
    if (speaking && wordCell && !isNumber(*wordCell) && pronounce)
        pronounce(wordLabel.text);
}

// The word of the next step, made ready while this one is read.
void Presentation::prepareNextWord()
{
    if (!speaking || !prepare || loadedRows < 1)
        return;
    const Cell wordCell = buffer_.item(currentRow > loadedRows ? 1 : currentRow, kWordColumn);
    if (wordCell && !isNumber(*wordCell))
        prepare(shown(wordCell));
}

void Presentation::tick()
{
    if (loadedRows < 1 || paused)
        return;
    if (!firstTickPending) {
        step();
        return;
    }
    // The first tick completes the row that start-up displayed.
    meaningLabel.text = shown(buffer_.item(currentRow, kMeaningColumn));
    if (fitted)
        applyLineBreakRule();
    firstTickPending = false;
    pronounceIfWord(buffer_.item(currentRow, kWordColumn));
    meaningLabel.visible = true;
    ++currentRow;
    phase = 1;
    prepareNextWord();
}

void Presentation::refreshRow(long row)
{
    if (loadedRows < 1 || row != rowOnDisplay() || isNumber(buffer_.item(row, kWordColumn)))
        return;
    wordLabel.text = shown(buffer_.item(row, kWordColumn));
    const Cell phoneticCell = buffer_.item(row, kPhoneticColumn);
    phoneticLabel.text = shown(phoneticCell);
    phoneticLabel.visible = wordLabel.visible && phoneticCell && !phoneticCell->isEmpty();
    if (meaningLabel.visible) {
        meaningLabel.text = shown(buffer_.item(row, kMeaningColumn));
        if (fitted)
            applyLineBreakRule();
    }
    if (fitted && row == currentRow)
        fitToRow();
}

void Presentation::applyLineBreakRule()
{
    if (hasLineBreak(meaningLabel.text)) {
        meaningLabel.height = 192;
        win.height = 380;
    } else {
        meaningLabel.height = 96;
        win.height = 284;
    }
}

void Presentation::step()
{
    if (loadedRows < 1)
        return;
    if (currentRow > loadedRows)
        currentRow = 1;
    if (fitted)
        fitToRow();

    const Cell wordCell = buffer_.item(currentRow, kWordColumn);
    if (isNumber(wordCell)) {
        wordLabel.text = groupHeading(*wordCell);
        currentGroup = numberValue(trimSpaces(*wordCell));
    } else {
        wordLabel.text = shown(wordCell);
    }
    const Cell phoneticCell = buffer_.item(currentRow, kPhoneticColumn);
    phoneticLabel.text = shown(phoneticCell);

    if (phase == 1) {
        win.height -= meaningLabel.height;
        wordLabel.visible = true;
        phoneticLabel.visible = phoneticCell && !phoneticCell->isEmpty();
        meaningLabel.visible = false;
    }
    pronounceIfWord(wordCell);
    if (phase == 2) {
        meaningLabel.text = shown(buffer_.item(currentRow, kMeaningColumn));
        win.height += meaningLabel.height;
        if (fitted)
            applyLineBreakRule();
        meaningLabel.visible = true;
        if (currentRow < static_cast<long>(loadedRows) + 1)
            ++currentRow;
        prepareNextWord();
    }
    ++phase;
    if (phase > 2)
        phase = 1;
}

void Presentation::fitToRow()
{
    const Cell wordCell = buffer_.item(currentRow, kWordColumn);
    const QString wordText = wordCell ? wordCell->left(kMaxShownChars) : QString();
    wordLabel.width = isNumber(wordCell) ? fitWidth(wordText, 3600, 19) : fitWidth(wordText, 0, 19);

    const Cell phoneticCell = buffer_.item(currentRow, kPhoneticColumn);
    if (!phoneticCell || phoneticCell->isEmpty()) {
        phoneticLabel.width = 0;
    } else {
        phoneticLabel.width = fitWidth(shown(phoneticCell), 0, 20);
        phoneticLabel.x = wordLabel.width + 170;
    }
    meaningLabel.width = fitWidth(shown(buffer_.item(currentRow, kMeaningColumn)), 0, 21);

    const long long S = screenWidthUnits;
    const long long x = win.x;
    meaningLabel.fontPt = (x + meaningLabel.width + 140 > S) ? design::kSmallFontPt : design::kFontPt;
    const int small = (x + wordLabel.width + phoneticLabel.width + 240 > S) ? design::kSmallFontPt : design::kFontPt;
    wordLabel.fontPt = small;
    phoneticLabel.fontPt = small;

    if (meaningLabel.width < wordLabel.width + phoneticLabel.width + 10)
        win.width = wordLabel.width + phoneticLabel.width + 240;
    else
        win.width = meaningLabel.width + 140;
    // However long a field, the window is never wider than the screen.
    if (screenWidthUnits > 0) {
        win.width = std::min(win.width, screenWidthUnits);
        for (LabelState *label : {&wordLabel, &phoneticLabel, &meaningLabel})
            label->width = std::min(label->width, screenWidthUnits);
    }
}

void Presentation::toggleLayout(int screenHeightUnits, int designWidth, int designHeight)
{
    fitted = !fitted;
    if (!fitted)
        spreadAcrossScreen(screenHeightUnits, designWidth, designHeight);
    else
        restoreLayout(designWidth, designHeight);
}

void Presentation::spreadAcrossScreen(int screenHeightUnits, int designWidth, int designHeight)
{
    win.x = 0;
    win.width = screenWidthUnits;
    win.height = static_cast<int>(screenHeightUnits * 0.5);
    const double widthRatio = designWidth > 0 ? static_cast<double>(win.width) / designWidth : 1.0;
    const double heightRatio = designHeight > 0 ? static_cast<double>(win.height) / designHeight : 1.0;
    const double ratio = (widthRatio + heightRatio) * 0.5;
    wordLabel.x = design::kWordX;
    phoneticLabel.x = static_cast<int>(1024 * widthRatio);
    meaningLabel.x = design::kMeaningX;
    wordLabel.width = static_cast<int>(901 * widthRatio);
    phoneticLabel.width = win.width - (wordLabel.width + 69);
    meaningLabel.width = win.width - 69;
    wordLabel.y = static_cast<int>(32 * heightRatio);
    phoneticLabel.y = static_cast<int>(32 * heightRatio);
    meaningLabel.y = static_cast<int>(140 * heightRatio);
    wordLabel.height = phoneticLabel.height = meaningLabel.height = static_cast<int>(96 * heightRatio);
    for (LabelState *l : {&wordLabel, &phoneticLabel, &meaningLabel})
        l->fontPt = static_cast<int>(l->fontPt * ratio * 2 / 3);
}

void Presentation::restoreLayout(int designWidth, int designHeight)
{
    // Label widths are left to the next step's fitToRow.
    win.width = designWidth;
    win.height = designHeight;
    wordLabel.x = design::kWordX;
    wordLabel.y = design::kWordY;
    wordLabel.height = design::kWordHeight;
    phoneticLabel.height = design::kPhoneticHeight;
    meaningLabel.height = design::kMeaningHeight;
    phoneticLabel.x = design::kPhoneticX;
    phoneticLabel.y = design::kPhoneticY;
    meaningLabel.x = design::kMeaningX;
    meaningLabel.y = design::kMeaningY;
    wordLabel.fontPt = phoneticLabel.fontPt = meaningLabel.fontPt = design::kFontPt;
}

void Presentation::nextItem()
{
    if (!meaningLabel.visible)
        ++currentRow;
    if (currentRow > loadedRows)
        currentRow = loadedRows;
    step();
}

void Presentation::previousItem()
{
    currentRow -= meaningLabel.visible ? 2 : 1;
    if (currentRow < 1)
        currentRow = 1;
    step();
}

void Presentation::groupStep(bool next, bool listMode, const std::vector<int> &groups)
{
    if (listMode) {
        const int groupCount = static_cast<int>(groups.size());
        // Without a group list there is nowhere to go: keep the display.
        if (groupCount < 1)
            return;
        int i = groupCount + 1;
        for (int k = 1; k <= groupCount; ++k) {
            if (groups[static_cast<size_t>(k - 1)] == currentGroup) {
                i = k;
                break;
            }
        }
        if (next) {
            if (i > groupCount)
                i = groupCount;
            if (i < groupCount)
                ++i;
        } else if (i > 1) {
            --i;
        }
        currentRow = buffer_.find(QString::number(groups[static_cast<size_t>(i - 1)]), loadedRows);
    } else {
        const int step = next ? 1 : -1;
        currentGroup += step;
        if (buffer_.find(QString::number(currentGroup), loadedRows) == 0)
            currentGroup -= step;
        currentRow = buffer_.find(QString::number(currentGroup), loadedRows);
    }
    if (currentRow == 0)
        currentRow = 1;
    if (currentRow > loadedRows)
        currentRow = loadedRows;
    step();
}

void Presentation::nextGroup(bool listMode, const std::vector<int> &groups)
{
    groupStep(true, listMode, groups);
}

void Presentation::previousGroup(bool listMode, const std::vector<int> &groups)
{
    groupStep(false, listMode, groups);
}

} // namespace kelp
