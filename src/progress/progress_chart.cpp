#include "progress/progress_chart.h"

#include "config/safe_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <algorithm>

namespace kelp {

namespace {
constexpr QSize kChartSize(760, 420);
const QColor kInk(0x30, 0x30, 0x30);
const QColor kKelp(0x2e, 0x7d, 0x5b);
const QColor kPale(0xe8, 0xf3, 0xee);
} // namespace

void paintProgress(QPainter &p, const QRect &rect, const plan::Progress &progress)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect, Qt::white);
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(16);
    p.setFont(font);
    p.setPen(kInk);
    const int margin = 20;
    const QRect area = rect.adjusted(margin, margin, -margin, -margin);
    p.drawText(QRect(area.left(), area.top(), area.width(), 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("学习进度  %1   今天 %2 组")
                   .arg(progress.today.toString(QStringLiteral("yyyy-MM-dd")))
                   .arg(progress.todayGroups.size()));

    // The coming days: one cell a day, darker with more groups.
    font.setPixelSize(12);
    p.setFont(font);
    const int days = static_cast<int>(progress.coming.size());
    const int stripTop = area.top() + 40;
    p.drawText(QRect(area.left(), stripTop, area.width(), 18), Qt::AlignLeft, QStringLiteral("未来两周每天的组数"));
    const int most = std::max(1, days ? *std::max_element(progress.coming.begin(), progress.coming.end()) : 1);
    const int cell = days ? area.width() / days : area.width();
    for (int d = 0; d < days; ++d) {
        const int n = progress.coming[static_cast<size_t>(d)];
        const QRect box(area.left() + d * cell + 2, stripTop + 22, cell - 4, 48);
        QColor fill = kPale;
        if (n > 0) {
            const double share = static_cast<double>(n) / most;
            fill = QColor::fromRgbF(kPale.redF() + (kKelp.redF() - kPale.redF()) * share,
                                    kPale.greenF() + (kKelp.greenF() - kPale.greenF()) * share,
                                    kPale.blueF() + (kKelp.blueF() - kPale.blueF()) * share);
        }
        p.setPen(d == 0 ? kInk : Qt::transparent);
        p.setBrush(fill);
        p.drawRoundedRect(box, 4, 4);
        p.setPen(n * 2 > most ? Qt::white : kInk);
        p.drawText(box, Qt::AlignCenter, QString::number(n));
        p.setPen(kInk);
        p.drawText(QRect(box.left(), box.bottom() + 2, box.width(), 16), Qt::AlignCenter,
                   progress.today.addDays(d).toString(QStringLiteral("M/d")));
    }

    // Groups by stage: new, the seven reviews, retired.
    const int histTop = stripTop + 110;
    p.drawText(QRect(area.left(), histTop, area.width(), 18), Qt::AlignLeft, QStringLiteral("各阶段的组数"));
    QList<std::pair<QString, int>> bars{{QStringLiteral("新"), progress.newGroups}};
    for (int k = 1; k <= 7; ++k)
        bars.append({QStringLiteral("第%1轮").arg(k), progress.stages[static_cast<size_t>(k)]});
    bars.append({QStringLiteral("已完成"), progress.stages[plan::kRetired]});
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
        p.setPen(kInk);
        p.drawText(QRect(bar.left() - 8, bar.top() - 18, bar.width() + 16, 16), Qt::AlignCenter,
                   QString::number(bars[i].second));
        p.drawText(QRect(bar.left() - 8, baseline + 2, bar.width() + 16, 16), Qt::AlignCenter, bars[i].first);
    }
    p.drawLine(area.left(), baseline, area.right(), baseline);
    p.restore();
}

bool saveProgressChart(const QString &file, const plan::Progress &progress, QString *error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (QFileInfo(file).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(kChartSize);
        svg.setViewBox(QRect(QPoint(0, 0), kChartSize));
        svg.setTitle(QStringLiteral("学习进度"));
        QPainter painter(&svg);
        paintProgress(painter, QRect(QPoint(0, 0), kChartSize), progress);
    } else {
        QImage image(kChartSize, QImage::Format_RGB32);
        {
            QPainter painter(&image);
            paintProgress(painter, image.rect(), progress);
        }
        if (!image.save(&buffer, "PNG")) {
            *error = QStringLiteral("the picture could not be made");
            return false;
        }
    }
    buffer.close();
    return replaceFileContents(file, bytes, error);
}

ProgressWindow::ProgressWindow(const plan::Progress &progress, QWidget *parent) : QWidget(parent), progress_(progress)
{
    setWindowTitle(QStringLiteral("学习进度"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kChartSize);
}

void ProgressWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintProgress(painter, rect(), progress_);
}

} // namespace kelp
