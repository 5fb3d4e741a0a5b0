// The learner's progress as a picture: the coming two weeks as a strip of
// days, and the groups by review stage as a histogram.
#pragma once

#include "studydb/study_plan.h"

#include <QSize>
#include <QWidget>

class QPainter;

namespace kelp {

// Paints the chart into `rect`.
void paintProgress(QPainter &painter, const QRect &rect, const plan::Progress &progress);

// The chart's size, on screen and in a file.
inline constexpr QSize kProgressChartSize(760, 420);

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
