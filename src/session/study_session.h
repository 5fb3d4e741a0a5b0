// One run through the loaded material: the word buffer, the presentation
// cycle and its timer, and the learner's commands. Needs no display; the
// word window shows what it holds and forwards the mouse to it.
#pragma once

#include "session/presentation.h"
#include "study/word_buffer.h"

#include <QDate>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include <functional>
#include <vector>

namespace kelp {

class StudySession : public QObject {
    Q_OBJECT
public:
    // `groups`: the groups loaded from the database, in order; group commands
    // then walk this list (`listMode`), else the numbered headings.
    StudySession(WordBuffer words, std::vector<int> groups, bool listMode, QObject *parent = nullptr);

    const Presentation &presentation() const { return presentation_; }
    const WordBuffer &words() const { return words_; }

    void setInterval(int seconds);
    void setNotebookPath(const QString &path) { notebookPath_ = path; }
    // Has a word said and returns at once: true when speechFinished() will
    // follow. The cycle's next step waits for it; commands do not.
    // `prepare` readies the word due next (optional).
    void setPronouncer(std::function<bool(const QString &)> pronounce,
                       std::function<void(const QString &)> prepare = nullptr);
    // The window's position in layout units, read before every step (the
    // font sizes depend on how far the window is from the screen's edge).
    void setWindowPositionSource(std::function<QPoint()> source) { windowPosition_ = std::move(source); }
    void setScreenWidthUnits(int units) { presentation_.screenWidthUnits = units; }

    // Shows row `row` (word only) and starts the timer when there is
    // anything to show; "无数据" and no timer otherwise.
    void start(long row);
    // The row to resume at next time.
    long resumeRow() const { return presentation_.currentRow; }

    bool isTimerRunning() const { return timer_.isActive(); }
    bool isWaitingForSpeech() const { return speechPending_; }
    bool isHidden() const { return hidden_; }

    // A drag of the window holds the cycle; letting go restarts the timer
    // (while paused its ticks do nothing).
    void holdTimer() { timer_.stop(); }
    void releaseTimer();
    // At close: nothing moves any more.
    void stop();
    // One timer tick (the timer calls it).
    void tick();

    // Double click: fitted layout <-> screen-wide layout.
    void toggleLayout(int screenHeightUnits);
    // A click on the word while paused steps by hand.
    void stepByHand();
    // Says the word on display (not a heading), unless muted.
    void pronounceWordOnDisplay();
    // The cycle holds its steps until pronounceWordOnDisplay() (the speech
    // engine is still being set up, and the first word is to be heard first).
    void awaitFirstWord() { speechPending_ = true; }

public slots:
    // The word asked for last has been said (or cut, or failed): a step
    // that fell due meanwhile is taken now.
    void speechFinished();

    void togglePause();
    void toggleHidden();
    void toggleMute();
    void addToNotebook();
    // The learner's answer to the word on display ("认识" when `known`);
    // nothing when a heading or nothing is on display.
    void answer(bool known);
    // A word of group `group` corrected elsewhere (the words window): the
    // loaded row that holds `oldWord` and `oldStored` holds the new text,
    // shown at once where it is on display.
    void correctWord(int group, const QString &oldWord, const QString &oldStored, const QString &word,
                     const QString &stored);
    void nextItem();
    void previousItem();
    void nextGroup();
    void previousGroup();

signals:
    // Texts, visibility or geometry changed.
    void changed();
    void hiddenChanged(bool hidden);
    // Appending to the notebook failed; `openFailed` when the file could not
    // even be opened.
    // `why`: the system's reason, with the notebook's path.
    void notebookFailed(bool openFailed, const QString &why);
    // An answer to `word`, shown since `shownAt` milliseconds after the
    // midnight of `day` (a second answer in that showing replaces the first).
    void answered(const QString &word, const QDate &day, int shownAt, bool known);
    // The word on display went into the notebook.
    void noted(const QString &word, const QDate &day);

private:
    void syncWindowPosition();
    template <typename Change>
    void update(Change change);

    WordBuffer words_;
    std::vector<int> groups_;
    bool listMode_;
    Presentation presentation_;
    QTimer timer_;
    int intervalMs_ = 3000;
    bool hidden_ = false;
    bool stopped_ = false;
    bool speechPending_ = false;
    bool tickDeferred_ = false; // at most one: ticks while a word is said fold into one
    QString notebookPath_;
    // The showing of the row on display: a new one starts when another row is.
    long showingRow_ = -1;
    QDate showingDay_;
    int showingAt_ = 0;
    std::function<QPoint()> windowPosition_;
    std::function<bool(const QString &)> pronounce_;
};

} // namespace kelp
