#include "wordbook/print_groups.h"

#include <QPrinter>
#include <QTextDocument>

namespace kelp {

QString printableHtml(const std::vector<exporting::ExportGroup> &groups)
{
    QString html = QStringLiteral("<html><body>");
    for (const exporting::ExportGroup &g : groups) {
        html += QStringLiteral("<h3>第%1组 %2</h3>").arg(g.number).arg(g.title.toHtmlEscaped());
        html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">");
        for (const exporting::PlainWord &w : g.words) {
            const QString transcription =
                w.transcription.isEmpty() ? QString() : QLatin1Char('/') + w.transcription + QLatin1Char('/');
            html += QStringLiteral("<tr><td width=\"25%\"><b>%1</b></td><td width=\"20%\">%2</td><td>%3</td></tr>")
                        .arg(w.word.toHtmlEscaped(), transcription.toHtmlEscaped(), w.meaning.toHtmlEscaped());
        }
        html += QStringLiteral("</table>");
    }
    return html + QStringLiteral("</body></html>");
}

void printGroups(QPrinter &printer, const std::vector<exporting::ExportGroup> &groups)
{
    QTextDocument document;
    document.setHtml(printableHtml(groups));
    document.print(&printer);
}

} // namespace kelp
