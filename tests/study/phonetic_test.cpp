#include "study/phonetic.h"

#include <gtest/gtest.h>

using namespace kelp;

TEST(Phonetic, SplitsSlashesAndBrackets)
{
    struct Case {
        QString stored, yb;
        Cell meaning;
    };
    const Case cases[] = {
        {QStringLiteral("/e'bav/ prep. 在…上面"), "/e'bav/", QStringLiteral(" prep. 在…上面")},
        {QStringLiteral("[e'bav] prep. 在…上面"), "e'bav", QStringLiteral(" prep. 在…上面")},
        {QStringLiteral("prep. 在…上面"), "", QStringLiteral("prep. 在…上面")},
        {QStringLiteral("n. 和/或"), "/", QStringLiteral("或")},
        {"/x/ n. a/b", "/x/ n. a/", QString("b")},
        {"[a] x/y", "/", QString("y")},
        {"[] n. x", "", QString(" n. x")},
        {"[abc n. x", "", QString("[abc n. x")}, // "[" without "]"
        {"x] n. [y", "", QString(" n. [y")},     // "]" before "["
    };
    for (const Case &c : cases) {
        EXPECT_EQ(extractPhonetic(c.stored), c.yb) << qPrintable(c.stored);
        EXPECT_EQ(stripPhonetic(c.stored), c.meaning) << qPrintable(c.stored);
    }
    EXPECT_EQ(extractPhonetic(std::nullopt), QString(""));
    EXPECT_EQ(stripPhonetic(std::nullopt), std::nullopt);
}

TEST(Phonetic, MatchesWholeCharactersOnly)
{
    // 乕 is 0x81 0x5B in GBK: its second byte is "[" but the character is not.
    const QString s = QStringLiteral("乕 n. x]y");
    EXPECT_EQ(extractPhonetic(s), QString(""));
    EXPECT_EQ(stripPhonetic(s), s);
}

TEST(Phonetic, StoredMeaningIsNeverMisreadByTheSplit)
{
    struct Case {
        QString meaning, transcription;
        QString shownMeaning, shownTranscription; // what the trainer's split gives back
    };
    const Case cases[] = {
        // Dictionary labels and grammar codes without a transcription.
        {QStringLiteral("n. 细胞 [生]；单元格 [计]"), "", QStringLiteral("n. 细胞 ［生］；单元格 ［计］"), ""},
        {QStringLiteral("n. [C] 苹果"), "", QStringLiteral("n. ［C］ 苹果"), ""},
        {QStringLiteral("n. 和/或"), "", QStringLiteral("n. 和／或"), ""},
        // A real transcription keeps its place, however it came wrapped.
        {QStringLiteral("n. [计] 程序"), "/ˈprəʊɡræm/", QStringLiteral("n. ［计］ 程序"), "/ˈprəʊɡræm/"},
        {QStringLiteral("prep. 在…上面"), "[əˈbʌv]", QStringLiteral("prep. 在…上面"), "/əˈbʌv/"},
        {QStringLiteral("prep. 在…上面"), "/ əˈbʌv/", QStringLiteral("prep. 在…上面"), "/əˈbʌv/"},
        {QStringLiteral("x"), "a/b", QStringLiteral("x"), "/a／b/"},
    };
    for (const Case &c : cases) {
        const QString stored = storedMeaning(c.meaning, c.transcription);
        EXPECT_EQ(extractPhonetic(stored), c.shownTranscription) << qPrintable(stored);
        EXPECT_EQ(stripPhonetic(stored).value_or(QString()).trimmed(), c.shownMeaning) << qPrintable(stored);
        // Stored again as shown (a correction in the words window), it stays the same.
        const SplitMeaning split = splitStoredMeaning(stored);
        EXPECT_EQ(storedMeaning(split.meaning, split.transcription), stored);
    }
}
