#include "import/readers.h"

#include "config/codec.h"

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>
#include <vector>

namespace kelp::import {

namespace {

constexpr int kMaxLessonDepth = 100;
// Markup inside a text (<b>, <i>) is never this deep in a real file; deeper
// is refused rather than followed.
constexpr int kMaxMarkupDepth = 100;

struct Translation {
    int id = 0;
    QString text;
    QString pronunciation;
    QString comment;
};

struct Entry {
    std::vector<Translation> translations; // in id order
    bool used = false;
};

Word wordOf(const Entry &e)
{
    Word w;
    if (e.translations.empty())
        return w;
    const Translation &first = e.translations.front();
    w.word = first.text;
    w.transcription = first.pronunciation;
    w.meaning = e.translations.size() > 1 && !e.translations[1].text.trimmed().isEmpty() ? e.translations[1].text
                                                                                         : first.comment;
    return w;
}

struct Lesson {
    QString name;
    QStringList entries;
};

class KvtmlParser {
public:
    KvtmlParser(QIODevice *device, const QString &path) : xml_(device), path_(path) {}

    std::optional<QString> parse()
    {
        const bool started = xml_.readNextStartElement();
        encoding_ = xml_.documentEncoding().toString().toUpper();
        if (!started)
            return failure().value_or(QCoreApplication::translate("kelp::import", "not XML"));
        if (xml_.name() != QLatin1String("kvtml"))
            return QCoreApplication::translate("kelp::import", "XML that is not KVTML (root element <%1>)")
                .arg(xml_.name().toString());
        const QStringView version = xml_.attributes().value(QLatin1String("version"));
        if (version.isEmpty() || version.startsWith(QLatin1Char('1')))
            return parseVersion1();
        if (!version.startsWith(QLatin1Char('2')))
            return QCoreApplication::translate("kelp::import", "KVTML version %1, which is not known")
                .arg(version.toString());
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("information"))
                readInformation();
            else if (xml_.name() == QLatin1String("entries"))
                readEntries();
            else if (xml_.name() == QLatin1String("lessons"))
                readContainers();
            else
                xml_.skipCurrentElement();
        }
        return failure();
    }

    QString title;
    // In document order; a repeated id (some files have them) is a word of its own.
    std::vector<Entry> entries;
    std::map<QString, size_t> byId; // the first entry of each id

    void add(const QString &id, Entry entry)
    {
        byId.emplace(id, entries.size());
        entries.push_back(std::move(entry));
    }

    std::vector<Lesson> lessons;

private:
    // The text of the current element with that of the elements inside it,
    // read without recursion (the toolkit's own reader recurses once a level).
    QString elementText()
    {
        QString text;
        for (int depth = 1; depth > 0 && !xml_.atEnd();) {
            switch (xml_.readNext()) {
            case QXmlStreamReader::StartElement:
                if (++depth > kMaxMarkupDepth) {
                    xml_.raiseError(QCoreApplication::translate("kelp::import", "markup nested more than %1 deep")
                                        .arg(kMaxMarkupDepth));
                    return QString();
                }
                break;
            case QXmlStreamReader::EndElement: --depth; break;
            case QXmlStreamReader::Characters:
            case QXmlStreamReader::EntityReference: text += xml_.text(); break;
            default: break;
            }
        }
        return text;
    }

    void readInformation()
    {
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("title"))
                title = elementText().trimmed();
            else
                xml_.skipCurrentElement();
        }
    }

    void readEntries()
    {
        while (xml_.readNextStartElement()) {
            if (xml_.name() != QLatin1String("entry")) {
                xml_.skipCurrentElement();
                continue;
            }
            const QString id = xml_.attributes().value(QLatin1String("id")).toString();
            Entry entry;
            while (xml_.readNextStartElement()) {
                if (xml_.name() == QLatin1String("translation"))
                    entry.translations.push_back(readTranslation());
                else
                    xml_.skipCurrentElement();
            }
            std::stable_sort(entry.translations.begin(), entry.translations.end(),
                             [](const Translation &a, const Translation &b) { return a.id < b.id; });
            add(id, std::move(entry));
        }
    }

    Translation readTranslation()
    {
        Translation t;
        t.id = xml_.attributes().value(QLatin1String("id")).toInt();
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("text"))
                t.text = elementText();
            else if (xml_.name() == QLatin1String("pronunciation"))
                t.pronunciation = elementText();
            else if (xml_.name() == QLatin1String("comment"))
                t.comment = elementText();
            else
                xml_.skipCurrentElement();
        }
        return t;
    }

    // Lessons may hold lessons: each with entries of its own is a group.
    void readContainers()
    {
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("container"))
                readNested(1);
            else
                xml_.skipCurrentElement();
        }
    }

    void readNested(int depth)
    {
        if (depth > kMaxLessonDepth) {
            xml_.raiseError(
                QCoreApplication::translate("kelp::import", "lessons nested more than %1 deep").arg(kMaxLessonDepth));
            return;
        }
        const size_t index = lessons.size();
        lessons.push_back({});
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("name"))
                lessons[index].name = elementText().trimmed();
            else if (xml_.name() == QLatin1String("entry")) {
                lessons[index].entries << xml_.attributes().value(QLatin1String("id")).toString();
                xml_.skipCurrentElement();
            } else if (xml_.name() == QLatin1String("container")) {
                readNested(depth + 1);
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    // The first version, as older programs wrote it: <e m="lesson"><o>word</o><t>meaning</t></e>.
    std::optional<QString> parseVersion1()
    {
        std::map<QString, size_t> lessonIndex;
        const auto lessonOf = [&](const QString &number) -> Lesson & {
            auto it = lessonIndex.find(number);
            if (it == lessonIndex.end()) {
                it = lessonIndex.emplace(number, lessons.size()).first;
                lessons.push_back({});
            }
            return lessons[it->second];
        };
        int next = 0;
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("lesson")) {
                while (xml_.readNextStartElement()) {
                    if (xml_.name() == QLatin1String("desc")) {
                        const QString no = xml_.attributes().value(QLatin1String("no")).toString();
                        lessonOf(no).name = elementText().trimmed();
                    } else {
                        xml_.skipCurrentElement();
                    }
                }
            } else if (xml_.name() == QLatin1String("e")) {
                const QString lesson = xml_.attributes().value(QLatin1String("m")).toString();
                Entry entry;
                Translation original, translation;
                translation.id = 1;
                while (xml_.readNextStartElement()) {
                    if (xml_.name() == QLatin1String("o")) {
                        original.pronunciation = xml_.attributes().value(QLatin1String("p")).toString();
                        original.text = elementText();
                    } else if (xml_.name() == QLatin1String("t") && translation.text.isEmpty()) {
                        translation.text = elementText();
                    } else {
                        xml_.skipCurrentElement();
                    }
                }
                entry.translations = {original, translation};
                const QString id = QString::number(next++);
                add(id, std::move(entry));
                if (!lesson.isEmpty())
                    lessonOf(lesson).entries << id;
            } else {
                xml_.skipCurrentElement();
            }
        }
        return failure();
    }

    // What went wrong, or nothing.
    std::optional<QString> failure() const
    {
        if (!xml_.hasError())
            return std::nullopt;
        // The reader's words for a byte that is no character of the declared
        // encoding; it decodes ahead, so the line is found here.
        if (xml_.errorString().contains(QLatin1String("incorrectly encoded"))) {
            qint64 line = xml_.lineNumber();
            if (encoding_.isEmpty() || encoding_ == QLatin1String("UTF-8")) {
                codec::EncodingSniffer sniffer;
                if (QFile file(path_); file.open(QIODevice::ReadOnly)) {
                    while (!file.atEnd())
                        sniffer.feed(file.read(1 << 20));
                }
                line = std::max<qint64>(line, sniffer.verdict().firstBadUtf8Line);
            }
            return QCoreApplication::translate("kelp::import", "not valid %1 at line %2")
                .arg(encoding_.isEmpty() ? QStringLiteral("UTF-8") : encoding_)
                .arg(line);
        }
        return QCoreApplication::translate("kelp::import", "broken KVTML at line %1: %2")
            .arg(xml_.lineNumber())
            .arg(xml_.errorString());
    }

    QXmlStreamReader xml_;
    QString path_;
    QString encoding_;
};

} // namespace

std::optional<QString> readKvtml(const QString &path, StudyWriter &writer)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    KvtmlParser parser(&file, path);
    if (auto error = parser.parse())
        return error;
    for (const Lesson &lesson : parser.lessons) {
        writer.beginGroup(lesson.name);
        for (const QString &id : lesson.entries) {
            const auto it = parser.byId.find(id);
            if (it == parser.byId.end()) {
                writer.skip(QCoreApplication::translate("kelp::import", "lesson entries that do not exist"));
                continue;
            }
            Entry &e = parser.entries[it->second];
            e.used = true;
            if (!writer.addWord(wordOf(e)))
                return writer.error().text;
        }
    }
    // Entries in no lesson: a group titled as the document.
    bool started = false;
    for (const Entry &e : parser.entries) {
        if (e.used)
            continue;
        if (!started) {
            // In groups of the usual size, titled as the document when it has a title.
            writer.endGroup();
            if (!parser.title.isEmpty())
                writer.setAutoTitle(parser.title);
            started = true;
        }
        if (!writer.addWord(wordOf(e)))
            return writer.error().text;
    }
    return std::nullopt;
}

} // namespace kelp::import
