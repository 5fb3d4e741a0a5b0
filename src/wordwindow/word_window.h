// The word window: a small borderless top-most window that shows what the
// study session has on display, and is moved and steered with the mouse.
#pragma once

#include "platform/layout_units.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace kelp {

class StudySession;
namespace platform {
class Desktop;
}

class WordWindow : public QWidget {
    Q_OBJECT
public:
    WordWindow(StudySession &session, const platform::Desktop &desktop, QWidget *parent = nullptr);

    const platform::LayoutUnits &units() const { return units_; }

    // The phonetic font brought along with the program, when it loaded.
    void usePhoneticFont(const QString &family);
    // The three colour settings (palette numbers; others give the defaults).
    void applyColours(int text, int label, int window);

    // The real position on the screen, in pixels.
    QPoint screenPosition() const;

signals:
    void contextMenuRequested(QPoint globalPos);
    // The learner moved the window to `pos` (pixels): a drag ended, or the
    // layout switched.
    void positionChosen(QPoint pos);
    void closeRequested();
    // The window has been painted on screen for the first time (emitted
    // once, after that paint): what the first word does not need starts now.
    void firstPainted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showState();
    void toggleLayout();
    void endDrag();
    void showNotebookFailure(bool openFailed, const QString &why);
    // A short mark in the top-right corner: the answer was taken.
    void markAnswer(bool known);
    bool isOwnLabel(QObject *object) const;

    StudySession &session_;
    const platform::Desktop &desktop_;
    platform::LayoutUnits units_;
    QLabel *meaningLabel_;
    QLabel *phoneticLabel_;
    QLabel *wordLabel_;
    QLabel *answerMark_;
    QTimer answerMarkTimer_;

    // Dragging by the background.
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressOffset_;
    QTimer dragWatch_;
    bool painted_ = false;
    static constexpr int kFirstPaintWaitMs = 500;
};

} // namespace kelp
