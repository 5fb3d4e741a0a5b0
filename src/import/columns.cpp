#include "import/columns.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace kelp::import {

namespace {

bool containsAny(const QString &name, std::initializer_list<const char16_t *> keys)
{
    for (const char16_t *k : keys) {
        if (name.contains(QStringView(k)))
            return true;
    }
    return false;
}

bool isChinese(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF);
}

bool hasChinese(const QString &text)
{
    for (char32_t c : text.toUcs4()) {
        if (isChinese(c))
            return true;
    }
    return false;
}

bool hasLatinLetter(const QString &text)
{
    for (const QChar c : text) {
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')))
            return true;
    }
    return false;
}

bool isNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*\\d+\\.?\\s*$"));
    return number.match(text).hasMatch();
}

bool isPartOfSpeech(const QString &text)
{
    // "n.", "vt.", "adj.", "n./v.", "n.&v."
    static const QRegularExpression pos(QStringLiteral("^\\s*([a-z]{1,5}\\.)([/&,]\\s*[a-z]{1,5}\\.)*\\s*$"));
    return pos.match(text).hasMatch();
}

} // namespace

Role roleOfName(const QString &raw)
{
    const QString name = raw.trimmed().toLower();
    if (name.isEmpty())
        return Role::Other;
    static const QStringList numbers{"#",   "no",     "no.",   "nr",   "nr.",  "id",
                                     "num", "number", "index", "序号", "编号", "序"};
    if (numbers.contains(name))
        return Role::Number;
    if (name == QLatin1String("pos") || containsAny(name, {u"part of speech", u"词性"}))
        return Role::PartOfSpeech;
    if (containsAny(name, {u"phonetic", u"pronunciation", u"ipa", u"transcription", u"音标", u"发音", u"reading"}))
        return Role::Transcription;
    if (name == QLatin1String("zh") || name == QLatin1String("cn") ||
        containsAny(name, {u"meaning", u"definition", u"back", u"translation", u"chinese", u"answer", u"中文", u"释义",
                           u"意思", u"词义", u"解释", u"汉语", u"翻译", u"含义"}))
        return Role::Meaning;
    if (name == QLatin1String("en") ||
        containsAny(name, {u"word", u"term", u"front", u"english", u"vocabulary", u"expression", u"question", u"英文",
                           u"单词", u"英语", u"词汇", u"短语"}))
        return Role::Word;
    return Role::Other;
}

bool looksLikeTranscription(const QString &text)
{
    const QString t = text.trimmed();
    return t.size() >= 2 && ((t.startsWith(QLatin1Char('/')) && t.endsWith(QLatin1Char('/'))) ||
                             (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))));
}

std::optional<Columns> columnsByName(const QStringList &names, bool *isHeader)
{
    Columns c;
    int named = 0, filled = 0;
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].trimmed().isEmpty())
            continue;
        ++filled;
        const Role role = roleOfName(names[i]);
        int *slot = nullptr;
        switch (role) {
        case Role::Word: slot = &c.word; break;
        case Role::Meaning: slot = &c.meaning; break;
        case Role::Transcription: slot = &c.transcription; break;
        case Role::PartOfSpeech: slot = &c.partOfSpeech; break;
        case Role::Number: ++named; continue;
        case Role::Other: continue;
        }
        ++named;
        if (*slot < 0)
            *slot = i;
    }
    // Our own files' answers: only by their exact name.
    c.answers = static_cast<int>(names.indexOf(QStringLiteral("reviews")));
    // Names alone, or the two that matter: data rows hold words and meanings.
    *isHeader = named > 0 && (named == filled || (c.word >= 0 && c.meaning >= 0));
    if (!*isHeader)
        return std::nullopt;
    return c;
}

std::optional<Columns> columnsByContent(const QList<QStringList> &rows, Columns c, bool strict)
{
    qsizetype width = 0;
    for (const QStringList &r : rows)
        width = std::max(width, r.size());
    struct Stats {
        int filled = 0, numbers = 0, transcriptions = 0, parts = 0, chinese = 0, latin = 0;
    };
    std::vector<Stats> stats(static_cast<size_t>(width));
    for (const QStringList &r : rows) {
        for (qsizetype i = 0; i < r.size(); ++i) {
            const QString &v = r[i];
            if (v.trimmed().isEmpty())
                continue;
            Stats &s = stats[static_cast<size_t>(i)];
            ++s.filled;
            s.numbers += isNumber(v);
            s.transcriptions += looksLikeTranscription(v);
            s.parts += isPartOfSpeech(v);
            s.chinese += hasChinese(v);
            s.latin += hasLatinLetter(v) && !hasChinese(v);
        }
    }
    const auto most = [](int n, int of) { return of > 0 && n * 5 >= of * 4; };
    const auto taken = [&](int i) {
        return i == c.word || i == c.meaning || i == c.transcription || i == c.partOfSpeech;
    };
    std::vector<int> text; // columns that may hold the word or the meaning, in order
    for (int i = 0; i < static_cast<int>(width); ++i) {
        const Stats &s = stats[static_cast<size_t>(i)];
        if (taken(i) || s.filled == 0 || most(s.numbers, s.filled))
            continue;
        if (most(s.transcriptions, s.filled)) {
            if (c.transcription < 0)
                c.transcription = i;
            continue;
        }
        if (most(s.parts, s.filled)) {
            if (c.partOfSpeech < 0)
                c.partOfSpeech = i;
            continue;
        }
        text.push_back(i);
    }
    if (c.word < 0) {
        // The English column; the first when they all are (or none is).
        for (int i : text) {
            const Stats &s = stats[static_cast<size_t>(i)];
            if (i != c.meaning && most(s.latin, s.filled)) {
                c.word = i;
                break;
            }
        }
        if (c.word < 0) {
            for (int i : text) {
                if (i != c.meaning) {
                    c.word = i;
                    break;
                }
            }
        }
    }
    if (c.meaning < 0) {
        std::vector<int> rest;
        for (int i : text) {
            if (i != c.word)
                rest.push_back(i);
        }
        std::vector<int> chinese;
        for (int i : rest) {
            const Stats &s = stats[static_cast<size_t>(i)];
            if (most(s.chinese, s.filled))
                chinese.push_back(i);
        }
        if (chinese.size() == 1)
            c.meaning = chinese.front();
        else if (rest.size() == 1)
            c.meaning = rest.front();
        else if (!strict && !rest.empty())
            c.meaning = rest.front();
    }
    if (!c.valid())
        return std::nullopt;
    return c;
}

std::optional<Columns> columnsFromOption(const QString &option, QString *error)
{
    Columns c;
    const QStringList names = option.split(QLatin1Char(','));
    for (int i = 0; i < names.size(); ++i) {
        const QString n = names[i].trimmed().toLower();
        int *slot = n == QLatin1String("word")                                              ? &c.word
                    : n == QLatin1String("meaning")                                         ? &c.meaning
                    : n == QLatin1String("phonetic") || n == QLatin1String("transcription") ? &c.transcription
                    : n == QLatin1String("pos") || n == QLatin1String("part-of-speech")     ? &c.partOfSpeech
                                                                                            : nullptr;
        if (!slot && n != QLatin1String("-") && n != QLatin1String("skip")) {
            *error = QCoreApplication::translate("kelp::import",
                                                 "--columns: \"%1\" is none of word, phonetic, pos, meaning, -")
                         .arg(names[i]);
            return std::nullopt;
        }
        if (slot && *slot >= 0) {
            *error = QCoreApplication::translate("kelp::import", "--columns names %1 twice").arg(n);
            return std::nullopt;
        }
        if (slot)
            *slot = i;
    }
    if (!c.valid()) {
        *error = QCoreApplication::translate("kelp::import", "--columns must name a word and a meaning column");
        return std::nullopt;
    }
    return c;
}

Word wordFromFields(const QStringList &fields, const Columns &c)
{
    Word w;
    w.word = fields.value(c.word);
    w.meaning = fields.value(c.meaning); // trimmed where it is stored
    if (c.transcription >= 0)
        w.transcription = fields.value(c.transcription);
    if (c.partOfSpeech >= 0) {
        const QString pos = fields.value(c.partOfSpeech).trimmed();
        const QStringView meaning = QStringView(w.meaning).trimmed();
        if (!pos.isEmpty() && !meaning.startsWith(pos))
            w.meaning = meaning.isEmpty() ? pos : pos + QLatin1Char(' ') + meaning.toString();
    }
    return w;
}

QString titleOfRow(const QStringList &fields, const Columns &c)
{
    QString title;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (QStringView(fields[i]).trimmed().isEmpty())
            continue;
        // A meaning alone is a word that lacks its word, not a title.
        if (!title.isNull() || i == c.meaning || i == c.transcription || i == c.partOfSpeech)
            return QString();
        title = fields[i].trimmed();
    }
    return title;
}

} // namespace kelp::import
