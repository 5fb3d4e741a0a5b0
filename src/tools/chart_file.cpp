#include "tools/chart_file.h"

#include "config/safe_file.h"
#include "progress/progress_chart.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

namespace kelp {

bool saveProgressChart(const QString &file, const plan::Progress &progress, QString *error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (QFileInfo(file).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(kProgressChartSize);
        svg.setViewBox(QRect(QPoint(0, 0), kProgressChartSize));
        svg.setTitle(QCoreApplication::translate("kelp::progress", "学习进度"));
        QPainter painter(&svg);
        paintProgress(painter, QRect(QPoint(0, 0), kProgressChartSize), progress);
    } else {
        QImage image(kProgressChartSize, QImage::Format_RGB32);
        {
            QPainter painter(&image);
            paintProgress(painter, image.rect(), progress);
        }
        if (!image.save(&buffer, "PNG")) {
            *error = QCoreApplication::translate("kelpword-study", "the picture could not be made");
            return false;
        }
    }
    buffer.close();
    return replaceFileContents(file, bytes, error);
}

} // namespace kelp
