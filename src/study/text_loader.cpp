#include "study/text_loader.h"

#include "config/codec.h"
#include "config/safe_file.h"

#include <QStringView>

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
    using Status = FileRead::Status;
    // Exclusive access while reading: a writer must not change the list under us.
    const FileRead read = readRegularFile(wordFilePath, kMaxWordFileBytes, true);
    switch (read.status) {
    case Status::Ok: break;
    case Status::CannotOpen: return {false, QStringLiteral("无法打开文件:%1(%2)").arg(wordFilePath, read.error)};
    case Status::NotRegularFile:
        return {false, QStringLiteral("不是普通文件,不能作为单词文件读入:%1").arg(wordFilePath)};
    case Status::Locked: return {false, QStringLiteral("文件正被其他程序使用:%1").arg(wordFilePath)};
    case Status::TooLarge:
        return {false, QStringLiteral("文件太大(超过%1 MB),不能作为单词文件读入:%2")
                           .arg(kMaxWordFileBytes / (1024 * 1024))
                           .arg(wordFilePath)};
    case Status::ReadFailed: return {false, QStringLiteral("读取文件出错:%1(%2)").arg(wordFilePath, read.error)};
    }
    loadWordText(codec::decodeFile(read.data), buffer);
    return {};
}

} // namespace kelp
