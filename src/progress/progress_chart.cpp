#include "progress/progress_chart.h"

#include "config/safe_file.h"
#include "settings/screen_fit.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace kelp {

namespace {
const QColor kKelp(0x2e, 0x7d, 0x5b);
const QColor kMissed(0xc0, 0x50, 0x40);

QColor mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * share, a.greenF() + (b.greenF() - a.greenF()) * share,
                            a.blueF() + (b.blueF() - a.blueF()) * share);
}
} // namespace

void paintProgress(QPainter &p, const QRect &rect, const plan::Progress &progress, const QPalette &palette)
{
    // The desktop's colours: dark text on light, or light on dark.
    const QColor ink = palette.color(QPalette::WindowText);
    const QColor background = palette.color(QPalette::Window);
    const QColor pale = mix(background, kKelp, 0.12);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect, background);
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(16);
    p.setFont(font);
    p.setPen(ink);
    const int margin = 20;
    const QRect area = rect.adjusted(margin, margin, -margin, -margin);
    p.drawText(QRect(area.left(), area.top(), area.width(), 24), Qt::AlignLeft | Qt::AlignVCenter,
               QCoreApplication::translate("kelp::progress", "学习进度  %1   今天 %2 组 %3 词")
                   .arg(progress.today.toString(QStringLiteral("yyyy-MM-dd")))
                   .arg(progress.todayGroups.size())
                   .arg(progress.todayWords));

    // The coming days: one cell a day, darker with more groups.
    font.setPixelSize(12);
    p.setFont(font);
    const int days = static_cast<int>(progress.coming.size());
    const int stripTop = area.top() + 40;
    p.drawText(QRect(area.left(), stripTop, area.width(), 18), Qt::AlignLeft,
               QCoreApplication::translate("kelp::progress", "未来两周每天的组数"));
    const int most = std::max(1, days ? *std::max_element(progress.coming.begin(), progress.coming.end()) : 1);
    const int cell = days ? area.width() / days : area.width();
    for (int d = 0; d < days; ++d) {
        const int n = progress.coming[static_cast<size_t>(d)];
        const QRect box(area.left() + d * cell + 2, stripTop + 22, cell - 4, 48);
        QColor fill = pale;
        if (n > 0)
            fill = mix(pale, kKelp, static_cast<double>(n) / most);
        p.setPen(d == 0 ? ink : Qt::transparent);
        p.setBrush(fill);
        p.drawRoundedRect(box, 4, 4);
        p.setPen(n * 2 > most ? Qt::white : ink);
        p.drawText(box, Qt::AlignCenter, QString::number(n));
        p.setPen(ink);
        p.drawText(QRect(box.left(), box.bottom() + 2, box.width(), 16), Qt::AlignCenter,
                   progress.today.addDays(d).toString(QStringLiteral("M/d")));
    }

    // The last twelve weeks, a column a week: the days the trainer ran, and
    // the days whose reviews were missed.
    const int calendarTop = stripTop + 104;
    p.drawText(QRect(area.left(), calendarTop, area.width(), 18), Qt::AlignLeft,
               QCoreApplication::translate("kelp::progress", "最近十二周：绿色为学习过的日子，红色为错过复习的日子"));
    const int square = 12;
    for (int i = 0; i < plan::kCalendarDays; ++i) {
        const plan::CalendarDay &day = progress.calendar[static_cast<size_t>(i)];
        const QRect box(area.left() + (i / 7) * (square + 3), calendarTop + 22 + (i % 7) * (square + 3), square,
                        square);
        p.setPen(Qt::NoPen);
        p.setBrush(day.ran ? kKelp : day.missed > 0 ? kMissed : pale);
        p.drawRoundedRect(box, 2, 2);
    }

    // Groups by stage: new, the seven reviews, retired.
    const int histTop = calendarTop + 22 + 7 * (square + 3) + 12;
    p.drawText(QRect(area.left(), histTop, area.width(), 18), Qt::AlignLeft,
               QCoreApplication::translate("kelp::progress", "各阶段的组数"));
    QList<std::pair<QString, int>> bars{{QCoreApplication::translate("kelp::progress", "新"), progress.newGroups}};
    for (int k = 1; k <= 7; ++k)
        bars.append(
            {QCoreApplication::translate("kelp::progress", "第%1轮").arg(k), progress.stages[static_cast<size_t>(k)]});
    bars.append({QCoreApplication::translate("kelp::progress", "已完成"), progress.stages[plan::kRetired]});
    int tallest = 1;
    for (const auto &b : bars)
        tallest = std::max(tallest, b.second);
    const int barWidth = area.width() / static_cast<int>(bars.size());
    const int baseline = area.bottom() - 20;
    const int maxHeight = baseline - (histTop + 44);
    for (int i = 0; i < bars.size(); ++i) {
        const int h = bars[i].second * maxHeight / tallest;
        const QRect bar(area.left() + i * barWidth + 8, baseline - h, barWidth - 16, h);
        p.setPen(Qt::NoPen);
        p.setBrush(i == 0 ? QColor(0xb0, 0xb0, 0xb0) : (i == bars.size() - 1 ? QColor(0x8a, 0x6d, 0x3b) : kKelp));
        p.drawRect(bar);
        p.setPen(ink);
        p.drawText(QRect(bar.left() - 8, bar.top() - 18, bar.width() + 16, 16), Qt::AlignCenter,
                   QString::number(bars[i].second));
        p.drawText(QRect(bar.left() - 8, baseline + 2, bar.width() + 16, 16), Qt::AlignCenter, bars[i].first);
    }
    p.drawLine(area.left(), baseline, area.right(), baseline);
    p.restore();
}

ProgressWindow::ProgressWindow(const plan::Progress &progress, QWidget *parent) : QWidget(parent), progress_(progress)
{
    setWindowTitle(QCoreApplication::translate("kelp::progress", "学习进度"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The chart shrinks as a whole where the screen's free area is smaller
    // (a high scale factor), so that no part of it is off the screen.
    const QRect free = freeArea();
    setFixedSize(kProgressChartSize.scaled(fittedSize(kProgressChartSize, free), Qt::KeepAspectRatio));
    centreIn(*this, free);
}

void ProgressWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.scale(double(width()) / kProgressChartSize.width(), double(height()) / kProgressChartSize.height());
    paintProgress(painter, QRect(QPoint(), kProgressChartSize), progress_, palette());
}

} // namespace kelp
