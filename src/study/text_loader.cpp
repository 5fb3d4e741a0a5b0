#include "study/text_loader.h"

#include "config/codec.h"
#include "config/safe_file.h"

#include <QStringView>

#include <algorithm>

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

// Puts a "无组标题" header before every ten rows, in place: rows move back
// from the end, so the buffer is never held twice (long files are large).
void numberGroups(WordBuffer &buf)
{
    std::vector<WordRow> &rows = buf.rows();
    const size_t n = rows.size();
    const size_t headers = (n + 9) / 10;
    rows.resize(n + headers);
    for (size_t i = n; i-- > 0;)
        rows[i + i / 10 + 1] = std::move(rows[i]);
    for (size_t k = 0; k < headers; ++k) {
        WordRow header;
        header.word = QString::number(static_cast<qulonglong>(k + 1));
        header.meaning = QStringLiteral("无组标题");
        rows[11 * k] = std::move(header);
    }
}

// Room for every line, and for the headers numberGroups() may add.
void reserveRows(WordBuffer &buffer, qsizetype lines)
{
    const size_t more = static_cast<size_t>(lines) + 1;
    buffer.reserve(static_cast<size_t>(buffer.rowCount()) + more + more / 10 + 1);
}

// The lines of `text` into the buffer; a last line without its line end too.
void addLines(QStringView all, WordBuffer &buffer, int &groupNumber)
{
    qsizetype pos = 0;
    const qsizetype size = all.size();
    while (pos < size) {
        qsizetype lf = all.indexOf(QLatin1Char('\n'), pos);
        qsizetype end = lf < 0 ? size : lf;
        const qsizetype next = lf < 0 ? size : lf + 1;
        if (end > pos && all[end - 1] == QLatin1Char('\r'))
            --end;
        addLine(all.mid(pos, end - pos), buffer, groupNumber);
        pos = next;
    }
}

} // namespace

void loadWordText(const QString &text, WordBuffer &buffer)
{
    int groupNumber = 1;
    reserveRows(buffer, text.count(QLatin1Char('\n')));
    addLines(text, buffer, groupNumber);
    if (groupNumber == 1 && buffer.rowCount() > 10)
        numberGroups(buffer);
}

void loadWordBytes(const QByteArray &bytes, WordBuffer &buffer)
{
    if (codec::utf16Of(bytes)) {
        loadWordText(codec::decodeFile(bytes), buffer);
        return;
    }
    // Decoded a piece at a time, each ending with a line: the file's text is
    // never held twice over (raw and decoded) however large the file. A line
    // end byte is never part of a GB18030 or UTF-8 character.
    const codec::Encoding encoding = codec::detect(bytes);
    qsizetype pos = encoding == codec::Encoding::Utf8 && bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    reserveRows(buffer, bytes.count('\n'));
    constexpr qsizetype kPiece = 1 << 20;
    int groupNumber = 1;
    while (pos < bytes.size()) {
        qsizetype end = std::min(pos + kPiece, bytes.size());
        if (end < bytes.size()) {
            const qsizetype lf = bytes.indexOf('\n', end);
            end = lf < 0 ? bytes.size() : lf + 1;
        }
        const QString text = codec::decode(bytes.mid(pos, end - pos), encoding);
        addLines(text, buffer, groupNumber);
        pos = end;
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
    loadWordBytes(read.data, buffer);
    return {};
}

} // namespace kelp
