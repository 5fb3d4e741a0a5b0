#include "study/text_loader.h"

#include "config/codec.h"

#include <QFile>
#include <QStringView>

#include <cerrno>
#include <cstring>
#include <sys/file.h>

namespace kelp {

namespace {

void addLine(QStringView line, WordBuffer &buf, int &groupNumber)
{
    const long ii = buf.appendRow();
    const qsizetype firstHash = line.indexOf(QLatin1Char('#'));
    if (firstHash < 0) {
        buf.setItem(ii, kWordColumn, QString::number(groupNumber));
        buf.setItem(ii, kMeaningColumn, line.toString());
        ++groupNumber;
        return;
    }
    buf.setItem(ii, kWordColumn, trimSpaces(line.left(firstHash).toString()));
    const qsizetype secondHash = line.indexOf(QLatin1Char('#'), firstHash + 1);
    if (secondHash < 0 || secondHash - firstHash < 2) {
        buf.setItem(ii, kMeaningColumn, line.mid(firstHash + 1).toString());
        return;
    }
    buf.setItem(ii, kMeaningColumn, line.mid(firstHash + 1, secondHash - firstHash - 1).toString());
    const QStringView rest = line.mid(secondHash + 1);
    if (!rest.isEmpty())
        buf.setItem(ii, kPhoneticColumn, QStringLiteral("/ ") + rest.toString() + QLatin1Char('/'));
}

// Puts a "无组标题" header before every ten rows. Done in one pass: inserting
// rows one by one would be quadratic on long files.
void numberGroups(WordBuffer &buf)
{
    std::vector<WordRow> &rows = buf.rows();
    std::vector<WordRow> grouped;
    grouped.reserve(rows.size() + rows.size() / 10 + 1);
    int groupNumber = 1;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i % 10 == 0) {
            WordRow header;
            header.word = QString::number(groupNumber++);
            header.meaning = QStringLiteral("无组标题");
            grouped.push_back(std::move(header));
        }
        grouped.push_back(std::move(rows[i]));
    }
    rows = std::move(grouped);
}

} // namespace

void loadWordText(const QString &text, WordBuffer &buffer)
{
    int groupNumber = 1;
    const QStringView all(text);
    qsizetype pos = 0;
    const qsizetype size = all.size();
    buffer.reserve(static_cast<size_t>(buffer.rowCount()) + static_cast<size_t>(text.count(QLatin1Char('\n'))) + 1);
    while (pos < size) {
        qsizetype lf = all.indexOf(QLatin1Char('\n'), pos);
        qsizetype end = lf < 0 ? size : lf;
        const qsizetype next = lf < 0 ? size : lf + 1;
        if (end > pos && all[end - 1] == QLatin1Char('\r'))
            --end;
        addLine(all.mid(pos, end - pos), buffer, groupNumber);
        pos = next;
    }
    if (groupNumber == 1 && buffer.rowCount() > 10)
        numberGroups(buffer);
}

TextLoadResult loadWordFile(const QString &wordFilePath, WordBuffer &buffer)
{
    TextLoadResult result;
    const auto tooLarge = [&] {
        return TextLoadResult{false, QStringLiteral("文件太大(超过%1 MB),不能作为单词文件读入:%2")
                                         .arg(kMaxWordFileBytes / (1024 * 1024))
                                         .arg(wordFilePath)};
    };
    QFile file(wordFilePath);
    if (!file.open(QIODevice::ReadOnly)) {
        result.ok = false;
        result.error = QStringLiteral("无法打开文件:%1(%2)").arg(wordFilePath, file.errorString());
        return result;
    }
    // Exclusive access while reading: a writer must not change the list under us.
    if (::flock(file.handle(), LOCK_EX | LOCK_NB) != 0) {
        result.ok = false;
        result.error = QStringLiteral("文件正被其他程序使用:%1").arg(wordFilePath);
        return result;
    }
    if (file.size() > kMaxWordFileBytes) {
        return tooLarge();
    }
    const QByteArray bytes = file.read(kMaxWordFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.ok = false;
        result.error = QStringLiteral("读取文件出错:%1(%2)").arg(wordFilePath, file.errorString());
        return result;
    }
    if (bytes.size() > kMaxWordFileBytes) {
        return tooLarge();
    }
    file.close();
    loadWordText(codec::decodeFile(bytes), buffer);
    return result;
}

} // namespace kelp
