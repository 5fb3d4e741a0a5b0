#include "session/presentation.h"
#include "study/text_loader.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

struct Cycle {
    WordBuffer buf;
    Presentation p{buf};
    QStringList spoken;

    explicit Cycle(const QString &text, long row = 1)
    {
        loadWordText(text, buf);
        p.currentRow = row;
        p.screenWidthUnits = 1920 * 32 / 7;
        p.win.x = 0;
        p.pronounce = [this](const QString &w) { spoken << w; };
    }
};

QString wordLines(int n)
{
    QString s;
    for (int i = 1; i <= n; ++i)
        s += QStringLiteral("w%1#m%1\n").arg(i);
    return s;
}

} // namespace

TEST(Presentation, StartRowThenFirstTickCompletesIt)
{
    Cycle c(QStringLiteral("sea#n. 海#si:\n"));
    ASSERT_TRUE(c.p.showFirstRow());
    EXPECT_EQ(c.p.wordLabel.text, "sea");
    EXPECT_EQ(c.p.phoneticLabel.text, "/ si:/");
    EXPECT_FALSE(c.p.meaningLabel.visible);
    EXPECT_EQ(c.spoken, QStringList{"sea"});

    c.p.tick(); // completes the start row
    EXPECT_FALSE(c.p.firstTickPending);
    EXPECT_TRUE(c.p.meaningLabel.visible);
    EXPECT_EQ(c.p.meaningLabel.text, QStringLiteral("n. 海"));
    EXPECT_EQ(c.p.currentRow, 2);
    EXPECT_EQ(c.p.phase, 1);
    EXPECT_EQ(c.p.win.height, 284);

    // One word row alternates word and meaning steps, wrapping back to row 1.
    c.p.tick();
    EXPECT_EQ(c.p.currentRow, 1);
    EXPECT_FALSE(c.p.meaningLabel.visible);
    EXPECT_EQ(c.p.win.height, 188);
    c.p.tick();
    EXPECT_TRUE(c.p.meaningLabel.visible);
    EXPECT_EQ(c.p.currentRow, 2);
    EXPECT_EQ(c.p.win.height, 284);
    EXPECT_EQ(c.spoken.size(), 4);
}

TEST(Presentation, TheWordReadiedIsTheOneTheNextStepSays)
{
    // Blanks to trim, a group header between words, and the wrap to row 1.
    Cycle c(QStringLiteral("  sea  #海\n12#Unit 12\nocean#大洋\nwave#波浪\n"));
    QStringList readied;
    c.p.prepare = [&readied](const QString &w) { readied << w; };
    ASSERT_TRUE(c.p.showFirstRow());
    for (int i = 0; i < 12; ++i) {
        const qsizetype before = readied.size();
        c.p.tick();
        if (readied.size() > before)
            c.p.tick(); // the readied word's own step
        else
            continue;
        EXPECT_EQ(c.spoken.back(), readied.back()) << "step " << i;
    }
    EXPECT_EQ(readied, (QStringList{"ocean", "wave", "sea", "ocean", "wave", "sea"}));
}

TEST(Presentation, EmptyBufferShowsNoDataAndTicksDoNothing)
{
    Cycle c{QString()};
    EXPECT_FALSE(c.p.showFirstRow());
    EXPECT_EQ(c.p.wordLabel.text, QStringLiteral("无数据"));
    c.p.tick();
    c.p.step();
    c.p.nextItem();
    c.p.nextGroup(false, {});
    EXPECT_EQ(c.p.wordLabel.text, QStringLiteral("无数据"));
    EXPECT_TRUE(c.spoken.isEmpty());
}

TEST(Presentation, SavedRowOutsideTheBufferRestartsAtRowOne)
{
    const QString text = wordLines(25);
    for (long saved : {40L, 0L, -3L}) {
        Cycle c(text, saved);
        c.p.showFirstRow();
        EXPECT_EQ(c.p.currentRow, 1) << saved;
    }
    Cycle kept(text, 10);
    kept.p.showFirstRow();
    EXPECT_EQ(kept.p.currentRow, 10);
}

TEST(Presentation, HeaderRowsShowTheGroupAndAreSilent)
{
    Cycle c(QStringLiteral("Unit 7 fruit\napple#苹果\n"));
    c.p.showFirstRow();
    EXPECT_EQ(c.p.wordLabel.text, QStringLiteral("第1组"));
    EXPECT_EQ(c.p.currentGroup, 1);
    c.p.tick();
    EXPECT_EQ(c.p.meaningLabel.text, QStringLiteral("Unit 7 fruit"));
    EXPECT_TRUE(c.spoken.isEmpty());
    c.p.tick();
    EXPECT_EQ(c.p.wordLabel.text, "apple");
    EXPECT_EQ(c.spoken, QStringList{"apple"});
}

TEST(Presentation, LineBreakInMeaningGrowsTheWindow)
{
    Cycle c(QStringLiteral("a#line1\rline2\nb#x\n"));
    c.p.showFirstRow();
    c.p.tick();
    EXPECT_EQ(c.p.meaningLabel.height, 192);
    EXPECT_EQ(c.p.win.height, 380);
    c.p.tick(); // word step of row 2
    EXPECT_EQ(c.p.win.height, 188);
    c.p.tick();
    EXPECT_EQ(c.p.meaningLabel.height, 96);
    EXPECT_EQ(c.p.win.height, 284);
}

TEST(Presentation, WithoutAutoFitOnlyTheHeightMoves)
{
    Cycle c(QStringLiteral("a#line1\rline2\nlongerword#x\n"));
    c.p.fitted = false;
    c.p.showFirstRow();
    const int width = c.p.win.width;
    const int st2Width = c.p.wordLabel.width;
    c.p.tick();
    EXPECT_EQ(c.p.win.height, 284); // no line-break rule
    c.p.tick();
    EXPECT_EQ(c.p.win.height, 188);
    c.p.tick();
    EXPECT_EQ(c.p.win.height, 284);
    EXPECT_EQ(c.p.win.width, width);
    EXPECT_EQ(c.p.wordLabel.width, st2Width);
}

TEST(Presentation, AutowidthArithmetic)
{
    Cycle c(QStringLiteral("Unit\nsea#n. 海洋#si:\nx#y\n"), 2);
    c.p.fitToRow();
    EXPECT_EQ(c.p.wordLabel.width, 3 * 900 / 19);
    EXPECT_EQ(c.p.phoneticLabel.width, 6 * 900 / 20); // "/ si:/"
    EXPECT_EQ(c.p.phoneticLabel.x, c.p.wordLabel.width + 170);
    EXPECT_EQ(c.p.meaningLabel.width, 7 * 900 / 21); // "n. 海洋" is 7 GBK bytes
    EXPECT_EQ(c.p.win.width, c.p.wordLabel.width + c.p.phoneticLabel.width + 240);
    EXPECT_EQ(c.p.wordLabel.fontPt, 12);

    c.p.currentRow = 1; // header: room for "第" and "组"
    c.p.fitToRow();
    EXPECT_EQ(c.p.wordLabel.width, (1 * 900 + 3600) / 19);

    // Empty transcription: width 0, x left alone.
    c.p.currentRow = 2;
    c.p.fitToRow();
    const int x = c.p.phoneticLabel.x;
    c.p.currentRow = 3;
    c.p.fitToRow();
    EXPECT_EQ(c.p.phoneticLabel.width, 0);
    EXPECT_EQ(c.p.phoneticLabel.x, x);
    EXPECT_EQ(c.p.win.width, c.p.wordLabel.width + 240); // the meaning is narrower than the word
}

TEST(Presentation, LongWordsDropToSmallFontNearTheScreenEdge)
{
    Cycle c(QString(QString(60, QLatin1Char('w')) + "#m\n"));
    c.p.screenWidthUnits = 2000;
    c.p.fitToRow();
    EXPECT_EQ(c.p.wordLabel.fontPt, 9);
    EXPECT_EQ(c.p.phoneticLabel.fontPt, 9);
    EXPECT_EQ(c.p.meaningLabel.fontPt, 12);
    // The fit (word + 240) is wider than the screen: the window is held to it.
    EXPECT_EQ(c.p.win.width, 2000);
    c.p.screenWidthUnits = 20000;
    c.p.fitToRow();
    EXPECT_EQ(c.p.win.width, c.p.wordLabel.width + 240);
}

TEST(Presentation, MutedCycleNeverPronounces)
{
    Cycle c(wordLines(3));
    c.p.speaking = false;
    c.p.showFirstRow();
    for (int i = 0; i < 6; ++i)
        c.p.tick();
    EXPECT_TRUE(c.spoken.isEmpty());
    EXPECT_EQ(c.p.currentRow, 1); // the sixth tick wrapped round to row 1's word step
}

TEST(Presentation, PausedTicksDoNothing)
{
    Cycle c(wordLines(3));
    c.p.showFirstRow();
    c.p.paused = true;
    c.p.tick();
    EXPECT_TRUE(c.p.firstTickPending);
    EXPECT_EQ(c.p.currentRow, 1);
}

TEST(PresentationCommands, ItemStepsClampAtTheEnds)
{
    Cycle c(wordLines(5));
    c.p.showFirstRow();
    c.p.tick(); // row 1 complete, row 2

    // Previous on row 1 during its meaning step: row 0 -> 1, word step of row 1.
    c.p.previousItem();
    EXPECT_EQ(c.p.currentRow, 1);
    EXPECT_FALSE(c.p.meaningLabel.visible);
    EXPECT_EQ(c.p.wordLabel.text, "w1");

    // Next on the last row during its word step: clamped, last row shown complete.
    c.p.currentRow = 5;
    c.p.phase = 1;
    c.p.step(); // word step of row 5
    c.p.nextItem();
    EXPECT_EQ(c.p.wordLabel.text, "w5");
    EXPECT_TRUE(c.p.meaningLabel.visible);
    EXPECT_EQ(c.p.currentRow, 6);

    // Previous during the word step of row 5 shows row 4 complete, row ends at 5.
    c.p.currentRow = 5;
    c.p.phase = 1;
    c.p.step();
    c.p.previousItem();
    EXPECT_EQ(c.p.wordLabel.text, "w4");
    EXPECT_TRUE(c.p.meaningLabel.visible);
    EXPECT_EQ(c.p.currentRow, 5);
}

TEST(PresentationCommands, TextModeGroupsStopAtTheEnds)
{
    Cycle c(QStringLiteral("G1\na#1\nG2\nb#2\nG3\nc#3\n"));
    c.p.showFirstRow();
    c.p.nextGroup(false, {});
    EXPECT_EQ(c.p.currentGroup, 2);
    EXPECT_EQ(c.p.currentRow, 3); // header shown as word step, nothing advanced yet
    EXPECT_EQ(c.p.wordLabel.text, QStringLiteral("第2组"));
    c.p.nextGroup(false, {});
    c.p.nextGroup(false, {}); // no group 4: stays on 3
    EXPECT_EQ(c.p.currentGroup, 3);
    EXPECT_EQ(c.p.wordLabel.text, QStringLiteral("第3组"));

    c.p.previousGroup(false, {});
    c.p.previousGroup(false, {});
    c.p.previousGroup(false, {}); // no group 0: back to group 1's header
    EXPECT_EQ(c.p.currentGroup, 1);
    EXPECT_EQ(c.p.wordLabel.text, QStringLiteral("第1组"));
}

TEST(PresentationCommands, ListModeGroups)
{
    // Headers as the database loaders write them: group numbers 4, 9, 12.
    Cycle c(QStringLiteral("4#t4\na#x\n9#t9\nb#y\n12#t12\nc#z\n"));
    const std::vector<int> groups{4, 9, 12};
    c.p.showFirstRow();
    EXPECT_EQ(c.p.currentGroup, 4);
    c.p.nextGroup(true, groups);
    EXPECT_EQ(c.p.wordLabel.text, QStringLiteral("第9组"));
    EXPECT_EQ(c.p.currentGroup, 9);
    c.p.nextGroup(true, groups);
    c.p.phase = 1;
    c.p.nextGroup(true, groups); // last group: back to its own header
    EXPECT_EQ(c.p.wordLabel.text, QStringLiteral("第12组"));
    EXPECT_EQ(c.p.currentRow, 5);

    // A current group missing from the list: both commands go to the last group.
    c.p.currentGroup = 77;
    c.p.phase = 1;
    c.p.previousGroup(true, groups);
    EXPECT_EQ(c.p.wordLabel.text, QStringLiteral("第12组"));

    // Without any list the display stays as it is.
    const QString before = c.p.wordLabel.text;
    const long row = c.p.currentRow;
    c.p.nextGroup(true, {});
    EXPECT_EQ(c.p.wordLabel.text, before);
    EXPECT_EQ(c.p.currentRow, row);
}

TEST(PresentationLayout, ScreenWideLayoutAndBack)
{
    Cycle c(wordLines(3));
    c.p.screenWidthUnits = 1637 * 2; // twice the designed width
    c.p.showFirstRow();
    c.p.wordLabel.fontPt = c.p.phoneticLabel.fontPt = 12;
    c.p.meaningLabel.fontPt = 9;

    c.p.toggleLayout(284 * 4, 1637, 284); // half the screen height is twice the designed height
    EXPECT_FALSE(c.p.fitted);
    EXPECT_EQ(c.p.win.x, 0);
    EXPECT_EQ(c.p.win.width, 3274);
    EXPECT_EQ(c.p.win.height, 568);
    EXPECT_EQ(c.p.phoneticLabel.x, 2048);
    EXPECT_EQ(c.p.wordLabel.width, 1802);
    EXPECT_EQ(c.p.phoneticLabel.width, 3274 - (1802 + 69));
    EXPECT_EQ(c.p.meaningLabel.width, 3274 - 69);
    EXPECT_EQ(c.p.wordLabel.y, 64);
    EXPECT_EQ(c.p.meaningLabel.y, 280);
    EXPECT_EQ(c.p.meaningLabel.height, 192);
    EXPECT_EQ(c.p.wordLabel.fontPt, 16);    // 12 × 2 × 2 / 3
    EXPECT_EQ(c.p.meaningLabel.fontPt, 12); // scaled from the size auto-fit had set

    // Steps no longer fit the widths, only move the height.
    c.p.tick();
    EXPECT_EQ(c.p.win.width, 3274);

    c.p.toggleLayout(284 * 4, 1637, 284);
    EXPECT_TRUE(c.p.fitted);
    EXPECT_EQ(c.p.win.width, 1637);
    EXPECT_EQ(c.p.win.height, 284);
    EXPECT_EQ(c.p.phoneticLabel.x, 1024);
    EXPECT_EQ(c.p.meaningLabel.y, 140);
    EXPECT_EQ(c.p.wordLabel.fontPt, 12);
    EXPECT_EQ(c.p.meaningLabel.fontPt, 12);
    EXPECT_EQ(c.p.wordLabel.width, 1802); // widths wait for the next step's fit
}

TEST(Presentation, AHugeFieldNeitherWidensTheWindowBeyondTheScreenNorShowsAllOfIt)
{
    const QString huge = QString(2'000'000, QChar(u'海'));
    Cycle c(QStringLiteral("sea#") + huge + QStringLiteral("#") + QString(50'000, QLatin1Char('x')) + "\n");
    ASSERT_TRUE(c.p.showFirstRow());
    c.p.tick(); // the meaning step
    EXPECT_LE(c.p.win.width, c.p.screenWidthUnits);
    EXPECT_LE(c.p.meaningLabel.width, c.p.screenWidthUnits);
    EXPECT_LE(c.p.phoneticLabel.width, c.p.screenWidthUnits);
    EXPECT_EQ(c.p.meaningLabel.text.size(), kMaxShownChars);
    EXPECT_LE(c.p.phoneticLabel.text.size(), kMaxShownChars);
    EXPECT_EQ(c.p.meaningLabel.fontPt, design::kSmallFontPt);
    // A short row afterwards fits as before.
    c.p.nextItem();
    EXPECT_EQ(c.p.wordLabel.text, "sea");
}
