#include "studydb/study_writer.h"

#include "config/codec.h"
#include "study/phonetic.h"
#include "studydb/file_sink.h"
#include "studydb/schema.h"
#include "studydb/server_sink.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace kelp {

namespace {

// A lone surrogate (an HTML entity or a UTF-16 file may hold one) has no UTF-8
// form and would be stored as "?": as U+FFFD the words gathered are the words
// stored, and a group imported before is recognised.
QString storable(const QString &text)
{
    if (QStringView(text).isValidUtf16())
        return text;
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out[i].isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate())
            ++i;
        else if (out[i].isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

// Groups kept as they would be written, for trying a reader without a database.
class MemorySink final : public GroupSink {
public:
    explicit MemorySink(std::vector<StudyGroup> &kept) : kept_(kept) {}
    std::optional<WordRows> storedWords(int) override { return WordRows(); }
    bool insertGroup(int number, const QString &title, const QDate &referenceDate, int stage) override
    {
        kept_.push_back({number, title, referenceDate, stage, {}});
        return true;
    }
    bool insertWord(int, int, const QString &word, const QString &meaning) override
    {
        kept_.back().words.emplace_back(word, meaning); // a group's words follow it
        return true;
    }
    bool markSample(int) override { return true; }
    bool mergeAnswers(const AnswerLog &) override { return true; }
    StudyResult commit() override { return std::nullopt; }
    void rollback() override { kept_.clear(); }

private:
    std::vector<StudyGroup> &kept_;
};

} // namespace

StudyWriter::StudyWriter() = default;

StudyWriter::~StudyWriter()
{
    rollback();
}

StudyResult StudyWriter::start(std::unique_ptr<GroupSink> sink, const StudyResult &failure)
{
    if (failure)
        return failure;
    sink_ = std::move(sink);
    lastGroup_ = sink_->lastGroup();
    return std::nullopt;
}

StudyResult StudyWriter::open(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    if (info.exists() && !info.isFile())
        return QCoreApplication::translate("kelp::studydb", "the study database %1 is not a regular file")
            .arg(databasePath);
    auto sink = std::make_unique<FileSink>();
    const auto failure = sink->open(databasePath, !info.exists(), false);
    return start(std::move(sink), failure);
}

StudyResult StudyWriter::create(const QString &databasePath, bool replace)
{
    if (QFileInfo::exists(databasePath) && !replace)
        return QCoreApplication::translate("kelp::studydb", "%1 exists already").arg(databasePath);
    auto sink = std::make_unique<FileSink>();
    const auto failure = sink->open(databasePath, true, replace);
    return start(std::move(sink), failure);
}

StudyResult StudyWriter::openDataSource(const QString &name, bool makeTables, bool replace)
{
    auto sink = std::make_unique<ServerSink>();
    const auto failure = sink->open(name, makeTables, replace);
    return start(std::move(sink), failure);
}

StudyResult StudyWriter::useConnection(platform::OdbcConnection &connection, const QString &name, bool makeTables,
                                       bool replace)
{
    auto sink = std::make_unique<ServerSink>();
    const auto failure = sink->open(connection, name, makeTables, replace);
    return start(std::move(sink), failure);
}

void StudyWriter::keepInMemory()
{
    inMemory_ = true;
    sink_ = std::make_unique<MemorySink>(kept_);
}

bool StudyWriter::noSink()
{
    if (sink_)
        return false;
    error_ = QCoreApplication::translate("kelp::studydb", "no database");
    return true;
}

bool StudyWriter::alreadyThere(const QString &title, const WordRows &words)
{
    const auto [from, to] = sink_->titles().equal_range(title);
    for (auto it = from; it != to; ++it) {
        if (sink_->storedWords(it->second) == words)
            return true;
    }
    return false;
}

void StudyWriter::setAutoGroups(const QString &baseTitle, int groupSize, bool splitTitled)
{
    autoTitle_ = baseTitle;
    if (groupSize > 0)
        groupSize_ = groupSize;
    splitTitled_ = splitTitled;
}

void StudyWriter::setAutoTitle(const QString &baseTitle)
{
    autoTitle_ = baseTitle;
    autoCount_ = 0;
}

void StudyWriter::beginGroup(const QString &title, bool keepEmpty)
{
    if (!flushGroup())
        return;
    title_ = title;
    titled_ = true;
    part_ = 1;
    keepEmpty_ = keepEmpty && !codec::trimmed(title).isEmpty();
}

void StudyWriter::endGroup()
{
    flushGroup();
    titled_ = false;
}

bool StudyWriter::flushGroup()
{
    if (!error_.isEmpty())
        return false;
    const bool keepEmpty = std::exchange(keepEmpty_, false);
    if (pending_.empty() && !keepEmpty)
        return true;
    if (noSink())
        return false;
    title_ = storable(title_);
    for (auto &[word, meaning] : pending_) {
        word = storable(word);
        meaning = storable(meaning);
    }
    if (!again_ && alreadyThere(title_, pending_)) {
        ++repeats_;
        pending_.clear();
        return true;
    }
    if (lastGroup_ >= kMaxGroupNumber) {
        error_ = QCoreApplication::translate("kelp::studydb", "group numbers end at %1, and words are left over; "
                                                              "larger groups (--group-size N) make fewer of them")
                     .arg(kMaxGroupNumber);
        return false;
    }
    const int group = ++lastGroup_;
    if (!sink_->insertGroup(group, title_, {}, 0) || (markSamples_ && !sink_->markSample(group))) {
        error_ = sink_->error().text;
        return false;
    }
    int place = 0;
    for (const auto &[word, meaning] : pending_) {
        if (!sink_->insertWord(group, ++place, word, meaning)) {
            error_ = sink_->error().text;
            return false;
        }
    }
    ++groups_;
    words_ += static_cast<int>(pending_.size());
    pending_.clear();
    return true;
}

bool StudyWriter::addWord(const StudyWord &word)
{
    if (!error_.isEmpty())
        return false;
    const QString da = codec::trimmed(word.word).toString();
    if (da.isEmpty()) {
        skip(QCoreApplication::translate("kelp::studydb", "without a word"));
        return true;
    }
    const bool full = static_cast<int>(pending_.size()) >= groupSize_;
    if (titled_) {
        if (full && splitTitled_) {
            if (!flushGroup())
                return false;
            const QString base = part_ == 1 ? title_ : title_.left(title_.lastIndexOf(QStringLiteral(" (")));
            title_ = QStringLiteral("%1 (%2)").arg(base).arg(++part_);
        }
    } else if (full || autoCount_ == 0) {
        if (!flushGroup())
            return false;
        title_ = autoTitle_ + QLatin1Char(' ') + QString::number(++autoCount_);
    }
    pending_.emplace_back(da, storedMeaning(word.meaning, word.transcription));
    if (!word.answers.empty()) {
        std::vector<LoggedAnswer> &kept = answers_[storable(da)];
        kept.insert(kept.end(), word.answers.begin(), word.answers.end());
    }
    keepEmpty_ = false;
    return true;
}

bool StudyWriter::writeGroup(const StudyGroup &group)
{
    if (!flushGroup())
        return false;
    if (group.number < 1 || group.number > kMaxGroupNumber) {
        error_ = QCoreApplication::translate("kelp::studydb", "group numbers run from 1 to %1, not %2")
                     .arg(kMaxGroupNumber)
                     .arg(group.number);
        return false;
    }
    if (noSink())
        return false;
    if (!sink_->insertGroup(group.number, group.title, group.referenceDate, group.stage)) {
        error_ = sink_->error().text;
        return false;
    }
    int place = 0;
    for (const auto &[word, meaning] : group.words) {
        if (!sink_->insertWord(group.number, ++place, word, meaning)) {
            error_ = sink_->error().text;
            return false;
        }
    }
    lastGroup_ = std::max(lastGroup_, group.number);
    ++groups_;
    words_ += static_cast<int>(group.words.size());
    return true;
}

StudyResult StudyWriter::commit()
{
    if (!flushGroup() || noSink()) {
        const QString why = error_;
        rollback();
        return why;
    }
    if (inMemory_)
        return std::nullopt;
    if (!answers_.empty() && !sink_->mergeAnswers(answers_)) {
        const QString why = sink_->error().text;
        rollback();
        return why;
    }
    auto failure = sink_->commit();
    sink_.reset();
    return failure;
}

void StudyWriter::rollback()
{
    if (sink_)
        sink_->rollback();
    if (!inMemory_)
        sink_.reset();
}

StudyResult writeStudyTables(platform::OdbcConnection &connection, const std::vector<StudyGroup> &groups, bool replace)
{
    StudyWriter writer;
    if (auto error = writer.useConnection(connection, QString(), true, replace))
        return error;
    for (const StudyGroup &g : groups) {
        if (!writer.writeGroup(g))
            return writer.error();
    }
    return writer.commit();
}

} // namespace kelp
