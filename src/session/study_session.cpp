#include "session/study_session.h"

#include "config/settings.h"
#include "study/notebook.h"
#include "study/phonetic.h"
#include "util/log.h"

#include <QDateTime>

#include <algorithm>

namespace kelp {

StudySession::StudySession(WordBuffer words, std::vector<int> groups, bool listMode, QObject *parent)
    : QObject(parent), words_(std::move(words)), groups_(std::move(groups)), listMode_(listMode), presentation_(words_)
{
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &StudySession::tick);
}

void StudySession::setInterval(int seconds)
{
    intervalMs_ = std::clamp(seconds, keys::interval.min, keys::interval.max) * 1000;
    if (timer_.isActive())
        timer_.start(intervalMs_);
}

void StudySession::setPronouncer(std::function<bool(const QString &)> pronounce,
                                 std::function<void(const QString &)> prepare)
{
    pronounce_ = std::move(pronounce);
    presentation_.prepare = pronounce_ ? std::move(prepare) : nullptr;
    if (!pronounce_) {
        presentation_.pronounce = nullptr;
        return;
    }
    presentation_.pronounce = [this](const QString &word) { speechPending_ = pronounce_(word); };
}

void StudySession::speechFinished()
{
    qCDebug(lcSession) << "word said";
    speechPending_ = false;
    if (tickDeferred_) {
        tickDeferred_ = false;
        if (timer_.isActive())
            tick();
    }
}

void StudySession::syncWindowPosition()
{
    if (windowPosition_) {
        const QPoint p = windowPosition_();
        presentation_.win.x = p.x();
        presentation_.win.y = p.y();
    }
}

template <typename Change>
void StudySession::update(Change change)
{
    syncWindowPosition();
    change();
    if (presentation_.rowOnDisplay() != showingRow_) {
        showingRow_ = presentation_.rowOnDisplay();
        const QDateTime now = QDateTime::currentDateTime();
        showingDay_ = now.date();
        showingAt_ = now.time().msecsSinceStartOfDay();
    }
    qCDebug(lcSession) << "row" << presentation_.currentRow;
    emit changed();
}

void StudySession::start(long row)
{
    presentation_.currentRow = row;
    bool haveRows = false;
    update([&] { haveRows = presentation_.showFirstRow(); });
    if (haveRows)
        timer_.start(intervalMs_);
    else
        timer_.stop();
}

void StudySession::releaseTimer()
{
    if (!stopped_)
        timer_.start(intervalMs_);
}

void StudySession::stop()
{
    stopped_ = true;
    timer_.stop();
}

void StudySession::tick()
{
    // The next step begins only once the word on display has been said.
    if (speechPending_) {
        tickDeferred_ = true;
        return;
    }
    update([this] { presentation_.tick(); });
}

void StudySession::stepByHand()
{
    qCDebug(lcSession) << "step by hand";
    tickDeferred_ = false;
    update([this] { presentation_.step(); });
}

void StudySession::pronounceWordOnDisplay()
{
    const Presentation &p = presentation_;
    const Cell word = words_.item(p.currentRow, kWordColumn);
    const bool pending =
        p.loadedRows > 0 && p.speaking && pronounce_ && !isNumber(word) && pronounce_(p.wordLabel.text);
    if (pending)
        speechPending_ = true;
    else if (speechPending_)
        speechFinished(); // nothing to wait for after all
}

void StudySession::toggleLayout(int screenHeightUnits)
{
    update([&] { presentation_.toggleLayout(screenHeightUnits, design::kWindow.width, design::kWindow.height); });
}

void StudySession::togglePause()
{
    if (presentation_.paused) {
        presentation_.paused = false;
        timer_.start(intervalMs_);
    } else {
        presentation_.paused = true;
        timer_.stop();
    }
}

void StudySession::toggleHidden()
{
    hidden_ = !hidden_;
    if (hidden_)
        timer_.stop();
    else
        timer_.start(intervalMs_);
    emit hiddenChanged(hidden_);
}

void StudySession::toggleMute()
{
    presentation_.speaking = !presentation_.speaking;
}

void StudySession::addToNotebook()
{
    const auto line = notebookLine(words_, presentation_.rowOnDisplay());
    if (!line)
        return; // a group heading (or nothing) is on display
    const AppendResult r = appendNotebookLine(notebookPath_, *line);
    if (r.written)
        emit noted(words_.item(presentation_.rowOnDisplay(), kWordColumn).value_or(QString()), QDate::currentDate());
    if (!r.written) {
        qCWarning(lcSession).noquote() << "cannot add to the notebook" << notebookPath_ << ":" << r.error;
        emit notebookFailed(!r.opened, notebookPath_ + QStringLiteral(": ") + r.error);
    }
}

void StudySession::answer(bool known)
{
    const long row = presentation_.rowOnDisplay();
    if (row < 1 || row > words_.rowCount() || words_.isHeader(row) || !words_.item(row, kWordColumn)) {
        qCInfo(lcSession) << "no word on display to grade";
        return;
    }
    const QString word = *words_.item(row, kWordColumn);
    qCDebug(lcSession).noquote() << (known ? "known:" : "not known:") << word;
    emit answered(word, showingDay_, showingAt_, known);
}

void StudySession::correctWord(int group, const QString &oldWord, const QString &oldStored, const QString &word,
                               const QString &stored)
{
    if (!listMode_)
        return; // a word file's words are not the database's
    const QString header = QString::number(group);
    const QString oldMeaning = stripPhonetic(oldStored).value_or(QString());
    const QString oldPhonetic = extractPhonetic(oldStored);
    for (long row = 1; row <= words_.rowCount(); ++row) {
        if (!words_.isHeader(row) || words_.item(row, kWordColumn) != header)
            continue;
        for (long r = row + 1; r <= words_.rowCount() && !words_.isHeader(r); ++r) {
            if (words_.item(r, kWordColumn).value_or(QString()) != oldWord ||
                words_.item(r, kMeaningColumn).value_or(QString()) != oldMeaning ||
                words_.item(r, kPhoneticColumn).value_or(QString()) != oldPhonetic)
                continue;
            words_.setItem(r, kWordColumn, word);
            words_.setItem(r, kMeaningColumn, stripPhonetic(stored).value_or(QString()));
            words_.setItem(r, kPhoneticColumn, extractPhonetic(stored));
            update([this, r] { presentation_.refreshRow(r); });
            return;
        }
    }
}

// A command shows its item at once, whatever is being said; the word it
// brings replaces that one, and a step the cycle owed is forgotten.
void StudySession::nextItem()
{
    tickDeferred_ = false;
    update([this] { presentation_.nextItem(); });
}

void StudySession::previousItem()
{
    tickDeferred_ = false;
    update([this] { presentation_.previousItem(); });
}

void StudySession::nextGroup()
{
    tickDeferred_ = false;
    update([this] { presentation_.nextGroup(listMode_, groups_); });
}

void StudySession::previousGroup()
{
    tickDeferred_ = false;
    update([this] { presentation_.previousGroup(listMode_, groups_); });
}

} // namespace kelp
