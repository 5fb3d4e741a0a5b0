// The words window's search as the learner types, over 100,000 words: the
// book's search against a plain QSortFilterProxyModel filtering the same rows
// (word and meaning columns, any case), measured interleaved in the same run.
// Prints the median and the spread of each and their ratio; one frame is 16 ms.
// First, the memory the words window gives back: resident memory before it
// opens over those words (as the trainer opens it), while open, and once it
// is closed.
#include "studydb/schema.h"
#include "studydb/word_store.h"
#include "wordbook/word_book.h"
#include "wordbook/word_book_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <malloc.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWords = 100000;

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    }
    return 0;
}

// Lets the event loop run (deferred deletes and timers included) for `ms`.
void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}
constexpr int kGroupSize = 20;

// The same rows as a plain table: what a proxy model would sit on.
class PlainTable : public QAbstractTableModel {
public:
    explicit PlainTable(const std::vector<kelp::BookWord> &words) : words_(words) {}
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(words_.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const kelp::BookWord &w = words_[static_cast<size_t>(index.row())];
        return index.column() == 0 ? w.stored.word : w.meaning;
    }

private:
    const std::vector<kelp::BookWord> &words_;
};

QString randomWord(QRandomGenerator &random)
{
    QString w;
    const int length = 3 + static_cast<int>(random.bounded(8));
    for (int i = 0; i < length; ++i)
        w += QChar(u'a' + static_cast<char16_t>(random.bounded(26)));
    return w;
}

QString randomMeaning(QRandomGenerator &random)
{
    static const QString parts =
        QStringLiteral("苹果水面包牛奶房子家庭朋友早晨学校老师学生书本桌子椅子城市国家天气时间工作");
    QString m = QStringLiteral("n. ");
    const int length = 2 + static_cast<int>(random.bounded(5));
    for (int i = 0; i < length; ++i)
        m += parts[static_cast<qsizetype>(random.bounded(parts.size()))];
    return m;
}

bool makeDatabase(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, kelp::kLocalStudyTables, nullptr, nullptr, nullptr);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt *group = nullptr, *word = nullptr;
    sqlite3_prepare_v2(db, "insert into zb values (?, ?, 2461000.5, 1)", -1, &group, nullptr);
    sqlite3_prepare_v2(db, "insert into fb values (?, ?, ?, ?)", -1, &word, nullptr);
    QRandomGenerator random(27);
    for (int i = 0; i < kWords; ++i) {
        const int xh = i / kGroupSize + 1;
        if (i % kGroupSize == 0) {
            const QByteArray title = QStringLiteral("第%1组").arg(xh).toUtf8();
            sqlite3_bind_int(group, 1, xh);
            sqlite3_bind_text(group, 2, title.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_step(group);
            sqlite3_reset(group);
        }
        const QByteArray da = randomWord(random).toUtf8();
        const QByteArray lx2 =
            (QStringLiteral("/") + randomWord(random) + QStringLiteral("/ ") + randomMeaning(random)).toUtf8();
        sqlite3_bind_int(word, 1, xh);
        sqlite3_bind_text(word, 2, da.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(word, 3, lx2.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(word, 4, i % kGroupSize + 1);
        sqlite3_step(word);
        sqlite3_reset(word);
    }
    sqlite3_finalize(group);
    sqlite3_finalize(word);
    const bool ok = sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

struct Figures {
    double median, low, high; // ms: the median, the 10th and the 90th percentile
};

Figures figures(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q) { return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)]; };
    return {at(0.5), at(0.1), at(0.9)};
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::mallopt(M_ARENA_MAX, 1); // as the trainer does (app/main.cpp)
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(21, std::atoi(argv[1])) : 21;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kelp.mdb"));
    if (!makeDatabase(path)) {
        std::fprintf(stderr, "cannot make the database\n");
        return 1;
    }
    {
        QFile settings(dir.filePath(QStringLiteral("wkcfg.ini")));
        if (!settings.open(QIODevice::WriteOnly) ||
            settings.write("[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=2\r\n") < 0)
            return 1;
    }
    // Once to load what any window loads (fonts, styles), then measured twice:
    // the first close after that keeps what the second does not.
    for (int pass = 0; pass < 3; ++pass) {
        settle(200);
        const double before = residentMiB();
        kelp::openWordBook(dir.path(), QString(), false);
        settle(500);
        const double open = residentMiB();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (dynamic_cast<kelp::WordBookWindow *>(w))
                w->close();
        }
        settle(500);
        int left = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            left += dynamic_cast<kelp::WordBookWindow *>(w) != nullptr;
        if (left > 0) {
            std::fprintf(stderr, "the words window was not deleted on close\n");
            return 1;
        }
        if (pass >= 1)
            std::printf("words window over %d words: resident %.1f MiB before, %.1f MiB open, %.1f MiB closed: "
                        "%+.1f MiB kept\n",
                        kWords, before, open, residentMiB(), residentMiB() - before);
    }
    auto opened = kelp::StudyDatabase::openFile(path);
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error().text));
        return 1;
    }
    const auto &database = *opened;
    QElapsedTimer load;
    load.start();
    kelp::WordBook book(*database, {0, 1, 2, 4, 7, 15, 30, 60}, QDate::currentDate());
    if (auto error = book.load()) {
        std::fprintf(stderr, "%s\n", qPrintable(*error));
        return 1;
    }
    std::printf("%d words read in %.0f ms\n", static_cast<int>(book.wordList().size()),
                static_cast<double>(load.nsecsElapsed()) / 1e6);

    PlainTable table(book.wordList());
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&table);
    proxy.setFilterKeyColumn(-1);
    proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);

    // What a learner types, letter by letter: each prefix is one search.
    const QStringList typed{QStringLiteral("appl"), QStringLiteral("tion"), QStringLiteral("苹果"),
                            QStringLiteral("QZX"), QStringLiteral("学生")};
    std::vector<double> ours, floor;
    int found = 0, floorFound = 0;
    book.setSearch(QStringLiteral("warm")); // the search text is built on first use
    for (int round = 0; round < rounds; ++round) {
        for (const QString &word : typed) {
            for (qsizetype n = 1; n <= word.size(); ++n) {
                const QString prefix = word.left(n);
                QElapsedTimer t;
                t.start();
                book.setSearch(prefix);
                found = book.words().rowCount();
                ours.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
                t.restart();
                proxy.setFilterFixedString(prefix);
                floorFound = proxy.rowCount();
                floor.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
                if (found != floorFound) {
                    std::fprintf(stderr, "\"%s\": %d rows, the proxy %d\n", qPrintable(prefix), found, floorFound);
                    return 1;
                }
            }
        }
        book.setSearch(QString());
        proxy.setFilterFixedString(QString());
    }
    // A header's click over every word: ours orders by the learners' collation
    // (pinyin, case-blind), the floor is the proxy's plain, locale-blind order.
    std::vector<double> sortOurs, sortFloor;
    book.setSearch(QString());
    proxy.setFilterFixedString(QString());
    std::vector<int> everyWord(book.wordList().size());
    for (size_t i = 0; i < everyWord.size(); ++i)
        everyWord[i] = static_cast<int>(i);
    book.words().show(everyWord);
    for (int round = 0; round < std::min(rounds, 5); ++round) {
        for (const int column : {kelp::WordTableModel::Word, kelp::WordTableModel::Meaning}) {
            QElapsedTimer t;
            t.start();
            book.words().sort(column);
            sortOurs.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            t.restart();
            proxy.sort(column);
            sortFloor.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        }
        book.words().sort(kelp::WordTableModel::Group);
        proxy.sort(-1);
    }
    {
        const Figures s = figures(sortOurs), f = figures(sortFloor);
        std::printf("order by a column over %d words (ms: median, 10th-90th percentile): ours %.0f (%.0f-%.0f), "
                    "proxy floor %.0f (%.0f-%.0f), %.2fx\n",
                    kWords, s.median, s.low, s.high, f.median, f.low, f.high, s.median / f.median);
    }
    // An edit changes one line of the search text: the first search after it.
    std::vector<double> afterEdit;
    for (int round = 0; round < rounds; ++round) {
        book.showGroup(book.groupList()[static_cast<size_t>(round)].number);
        book.editWord(book.words().wordIndex(0), kelp::WordTableModel::Meaning, QStringLiteral("n. 改 %1").arg(round));
        QElapsedTimer t;
        t.start();
        book.setSearch(QStringLiteral("appl"));
        afterEdit.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    // A delete reorders the book, and its search text is made anew with it.
    std::vector<double> afterDelete;
    for (int round = 0; round < rounds; ++round) {
        book.showGroup(book.groupList()[static_cast<size_t>(round)].number);
        book.deleteWords({book.words().wordIndex(0)});
        QElapsedTimer t;
        t.start();
        book.setSearch(QStringLiteral("appl"));
        afterDelete.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    const Figures a = figures(ours), b = figures(floor), c = figures(afterEdit), d = figures(afterDelete);
    std::printf("search as typed, %d rounds of %zu searches over %d words (ms: median, 10th-90th percentile)\n", rounds,
                ours.size() / static_cast<size_t>(rounds), kWords);
    std::printf("  the words window:           %7.2f  %7.2f-%-7.2f\n", a.median, a.low, a.high);
    std::printf("  floor, QSortFilterProxyModel: %5.2f  %7.2f-%-7.2f\n", b.median, b.low, b.high);
    std::printf("  ratio of the medians: %.2f x the floor; frame budget 16 ms: %s\n", a.median / b.median,
                a.median <= 16.0 ? "within" : "over");
    std::printf("  the first search after an edit: %5.2f  %7.2f-%-7.2f\n", c.median, c.low, c.high);
    std::printf("  the first search after a delete: %4.2f  %7.2f-%-7.2f\n", d.median, d.low, d.high);
    return 0;
}
