// The learner's progress as a picture: the coming two weeks as a strip of
// days, the last twelve weeks as a calendar, and the groups by review stage
// as a histogram.
#pragma once

#include "studydb/study_plan.h"

#include <QPalette>
#include <QSize>
#include <QWidget>

class QPainter;

namespace kelp {

// Paints the chart into `rect` in the colours of `palette` (its window and
// text colours; the default: dark text on white, as for a file).
void paintProgress(QPainter &painter, const QRect &rect, const plan::Progress &progress,
                   const QPalette &palette = QPalette(Qt::black, Qt::white));

// The chart's size, on screen and in a file.
inline constexpr QSize kProgressChartSize(760, 540);

// The "学习进度" window.
class ProgressWindow : public QWidget {
public:
    explicit ProgressWindow(const plan::Progress &progress, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    plan::Progress progress_;
};

} // namespace kelp
