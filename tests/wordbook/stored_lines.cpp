#include "wordbook/stored_lines.h"

#include "studydb/word_store.h"

#include <QDate>

#include <gtest/gtest.h>

namespace kelp::test {

QStringList storedLines(platform::OdbcConnection &connection)
{
    std::vector<StoredGroup> groups;
    EXPECT_FALSE(WordStore(connection).read(groups).has_value());
    QStringList out;
    for (const StoredGroup &g : groups) {
        out << QStringLiteral("#%1 %2 %3 %4")
                   .arg(g.number)
                   .arg(g.title, g.referenceDate.toString(Qt::ISODate))
                   .arg(g.stage);
        for (const StoredWord &w : g.words)
            out << QStringLiteral("%1 %2 %3|%4").arg(g.number).arg(w.place).arg(w.word, w.stored);
    }
    return out;
}

} // namespace kelp::test
