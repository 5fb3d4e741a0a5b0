#include "wordwindow/presentation.h"

#include "config/codec.h"

#include <algorithm>
#include <limits>

namespace kelp {
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

} // namespace

Presentation::Presentation(const WordBuffer &dw_new) : win(design::kWindow), dw_new_(dw_new)
{
    restoreDesign();
    st_4.visible = false;
}

void Presentation::restoreDesign()
{
    restoreLayout(design::kWindow.width, design::kWindow.height);
    st_2.width = design::kSt2W;
    st_3.width = design::kSt3W;
    st_4.width = design::kSt4W;
}

bool Presentation::showFirstRow()
{
    dwrs = static_cast<int>(std::min<long>(dw_new_.rowCount(), std::numeric_limits<int>::max()));
    st_2.visible = true;
    st_3.visible = true;
    st_4.visible = false;
    if (dwrs < 1) {
        st_2.text = QStringLiteral("无数据");
        return false;
    }
    // A saved row beyond the new material, or a nonsensical one, restarts at row 1.
    if (reci > dwrs || reci < 1)
        reci = 1;
    autowidth();

    const Cell da = dw_new_.item(reci, 1);
    if (da && !da->isEmpty() && isNumber(*da)) {
        st_2.text = QStringLiteral("第") + *da + QStringLiteral("组");
        fzxh = numberValue(*da);
    } else {
        st_2.text = da.value_or(QString());
        if (pfsy && plawav)
            plawav(st_2.text);
        const Cell yb = dw_new_.item(reci, 3);
        if (yb && !yb->isEmpty()) {
            st_3.text = *yb;
            st_3.visible = true;
        }
    }
    return true;
}

void Presentation::pronounceIfWord(const Cell &da)
{
    if (pfsy && da && !isNumber(*da) && plawav)
        plawav(st_2.text);
}

void Presentation::tick()
{
    if (dwrs < 1 || ypause)
        return;
    if (!gopen) {
        nplay();
        return;
    }
    // The first tick completes the row that start-up displayed.
    st_4.text = trimSpaces(dw_new_.item(reci, 2));
    if (autow)
        applyLineBreakRule();
    gopen = false;
    pronounceIfWord(dw_new_.item(reci, 1));
    st_4.visible = true;
    ++reci;
    xxs = 1;
}

void Presentation::applyLineBreakRule()
{
    if (hasLineBreak(st_4.text)) {
        st_4.height = 192;
        win.height = 380;
    } else {
        st_4.height = 96;
        win.height = 284;
    }
}

void Presentation::nplay()
{
    if (dwrs < 1)
        return;
    if (reci > dwrs)
        reci = 1;
    if (autow)
        autowidth();

    const Cell da = dw_new_.item(reci, 1);
    if (isNumber(da)) {
        st_2.text = QStringLiteral("第") + *da + QStringLiteral("组");
        fzxh = numberValue(trimSpaces(*da));
    } else {
        st_2.text = trimSpaces(da);
    }
    const Cell yb = dw_new_.item(reci, 3);
    st_3.text = trimSpaces(yb);

    if (xxs == 1) {
        win.height -= st_4.height;
        st_2.visible = true;
        st_3.visible = yb && !yb->isEmpty();
        st_4.visible = false;
    }
    pronounceIfWord(da);
    if (xxs == 2) {
        st_4.text = trimSpaces(dw_new_.item(reci, 2));
        win.height += st_4.height;
        if (autow)
            applyLineBreakRule();
        st_4.visible = true;
        if (reci < static_cast<long>(dwrs) + 1)
            ++reci;
    }
    ++xxs;
    if (xxs > 2)
        xxs = 1;
}

void Presentation::autowidth()
{
    const Cell da = dw_new_.item(reci, 1);
    const QString daText = da.value_or(QString());
    st_2.width = isNumber(da) ? fitWidth(daText, 3600, 19) : fitWidth(daText, 0, 19);

    const Cell yb = dw_new_.item(reci, 3);
    if (!yb || yb->isEmpty()) {
        st_3.width = 0;
    } else {
        st_3.width = fitWidth(trimSpaces(*yb), 0, 20);
        st_3.x = st_2.width + 170;
    }
    st_4.width = fitWidth(trimSpaces(dw_new_.item(reci, 2)), 0, 21);

    const long long S = screenWidthUnits;
    const long long x = win.x;
    st_4.fontPt = (x + st_4.width + 140 > S) ? design::kSmallFontPt : design::kFontPt;
    const int small = (x + st_2.width + st_3.width + 240 > S) ? design::kSmallFontPt : design::kFontPt;
    st_2.fontPt = small;
    st_3.fontPt = small;

    if (st_4.width < st_2.width + st_3.width + 10)
        win.width = st_2.width + st_3.width + 240;
    else
        win.width = st_4.width + 140;
}

void Presentation::toggleLayout(int screenHeightUnits, int ii_width, int ii_height)
{
    autow = !autow;
    if (!autow)
        winbig(screenHeightUnits, ii_width, ii_height);
    else
        restoreLayout(ii_width, ii_height);
}

void Presentation::winbig(int screenHeightUnits, int ii_width, int ii_height)
{
    win.x = 0;
    win.width = screenWidthUnits;
    win.height = static_cast<int>(screenHeightUnits * 0.5);
    const double wradio = ii_width > 0 ? static_cast<double>(win.width) / ii_width : 1.0;
    const double hradio = ii_height > 0 ? static_cast<double>(win.height) / ii_height : 1.0;
    const double radio = (wradio + hradio) * 0.5;
    st_2.x = design::kSt2X;
    st_3.x = static_cast<int>(1024 * wradio);
    st_4.x = design::kSt4X;
    st_2.width = static_cast<int>(901 * wradio);
    st_3.width = win.width - (st_2.width + 69);
    st_4.width = win.width - 69;
    st_2.y = static_cast<int>(32 * hradio);
    st_3.y = static_cast<int>(32 * hradio);
    st_4.y = static_cast<int>(140 * hradio);
    st_2.height = st_3.height = st_4.height = static_cast<int>(96 * hradio);
    for (LabelState *l : {&st_2, &st_3, &st_4})
        l->fontPt = static_cast<int>(l->fontPt * radio * 2 / 3);
}

void Presentation::restoreLayout(int ii_width, int ii_height)
{
    // Label widths are left to the next step's autowidth.
    win.width = ii_width;
    win.height = ii_height;
    st_2.x = design::kSt2X;
    st_2.y = design::kSt2Y;
    st_2.height = design::kSt2H;
    st_3.height = design::kSt3H;
    st_4.height = design::kSt4H;
    st_3.x = design::kSt3X;
    st_3.y = design::kSt3Y;
    st_4.x = design::kSt4X;
    st_4.y = design::kSt4Y;
    st_2.fontPt = st_3.fontPt = st_4.fontPt = design::kFontPt;
}

void Presentation::nextItem()
{
    if (!st_4.visible)
        ++reci;
    if (reci > dwrs)
        reci = dwrs;
    nplay();
}

void Presentation::previousItem()
{
    reci -= st_4.visible ? 2 : 1;
    if (reci < 1)
        reci = 1;
    nplay();
}

void Presentation::groupStep(bool next, bool listMode, const std::vector<int> &zxh)
{
    if (listMode) {
        const int iend = static_cast<int>(zxh.size());
        // Without a group list there is nowhere to go: keep the display.
        if (iend < 1)
            return;
        int i = iend + 1;
        for (int k = 1; k <= iend; ++k) {
            if (zxh[static_cast<size_t>(k - 1)] == fzxh) {
                i = k;
                break;
            }
        }
        if (next) {
            if (i > iend)
                i = iend;
            if (i < iend)
                ++i;
        } else if (i > 1) {
            --i;
        }
        reci = dw_new_.find(QString::number(zxh[static_cast<size_t>(i - 1)]), dwrs);
    } else {
        const int step = next ? 1 : -1;
        fzxh += step;
        if (dw_new_.find(QString::number(fzxh), dwrs) == 0)
            fzxh -= step;
        reci = dw_new_.find(QString::number(fzxh), dwrs);
    }
    if (reci == 0)
        reci = 1;
    if (reci > dwrs)
        reci = dwrs;
    nplay();
}

void Presentation::nextGroup(bool listMode, const std::vector<int> &zxh)
{
    groupStep(true, listMode, zxh);
}

void Presentation::previousGroup(bool listMode, const std::vector<int> &zxh)
{
    groupStep(false, listMode, zxh);
}

} // namespace kelp
