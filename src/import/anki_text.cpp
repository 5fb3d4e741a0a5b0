// Anki keeps field text as HTML. The toolkit's own HTML reader knows every
// named entity, so "caf&eacute;" and "&mdash;" come out as the learner saw them.
#include "import/readers.h"

#include "config/codec.h"

#include <QRegularExpression>
#include <QTextDocumentFragment>

namespace kelp::import {

QString plainText(const QString &html)
{
    static const QRegularExpression sound(QStringLiteral("\\[sound:[^\\]]*\\]"));
    static const QRegularExpression blanks(QStringLiteral("[ \\t\\r\\n]+"));
    // A browser keeps an ideographic space (U+3000) as it is; the toolkit's
    // reader would fold it into a plain one. A noncharacter stands in for it.
    constexpr QChar kIdeographicSpace(0x3000), kStandIn(0xFFFE); // (the reader takes U+FDD0 for a frame)
    // A cloze deletion shows its answer: "{{c1::sparrow::a bird}}" is "sparrow".
    static const QRegularExpression cloze(QStringLiteral("\\{\\{c\\d+::(.*?)(?:::[^}]*)?\\}\\}"));
    QString text = html;
    text.remove(sound);
    text.replace(cloze, QStringLiteral("\\1"));
    // Most fields are plain words: no need to build a document for them.
    if (text.contains(QLatin1Char('<')) || text.contains(QLatin1Char('&'))) {
        // As Anki shows it: runs of blanks in the markup fold, "&nbsp;" stays
        // a space of its own, line and block breaks come back as line breaks,
        // pictures as U+FFFC (dropped).
        text.replace(kIdeographicSpace, kStandIn);
        text = QTextDocumentFragment::fromHtml(text).toPlainText();
        text.remove(QChar::ObjectReplacementCharacter);
        text.replace(kStandIn, kIdeographicSpace);
    } else {
        // Plain text shows as markup would: a run of blanks and line ends is one space.
        text.replace(blanks, QStringLiteral(" "));
    }
    return codec::trimmed(text).toString();
}

} // namespace kelp::import
