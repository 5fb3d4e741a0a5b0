// Anki keeps field text as HTML. The toolkit's own HTML reader knows every
// named entity, so "caf&eacute;" and "&mdash;" come out as the learner saw them.
#include "import/readers.h"

#include <QRegularExpression>
#include <QTextDocumentFragment>

namespace kelp::import {

QString plainText(const QString &html)
{
    static const QRegularExpression sound(QStringLiteral("\\[sound:[^\\]]*\\]"));
    QString text = html;
    text.remove(sound);
    // Most fields are plain words: no need to build a document for them.
    if (text.contains(QLatin1Char('<')) || text.contains(QLatin1Char('&'))) {
        // Line and block breaks come back as line breaks, pictures as U+FFFC.
        text = QTextDocumentFragment::fromHtml(text).toPlainText();
        text.remove(QChar::ObjectReplacementCharacter);
    }
    // Breaks, no-break spaces and runs of blanks: one space.
    return text.simplified();
}

} // namespace kelp::import
