#include "study/text_loader.h"

#include "config/codec.h"
#include "config/safe_file.h"
#include "util/vector_state.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace kelp {

namespace {

// The lines of `bytes` from `pos` on into the buffer, a last line without its
// line end too, each handed to `sniffer` (when it still wants them) while
// in the cache. Returns the next group number.
int addLines(const QByteArray &bytes, qsizetype pos, WordBuffer &buffer, codec::LineSniffer *sniffer)
{
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    // Room for as many rows as the first lines suggest, and some: growing
    // would copy them all, while room never used is never touched, so costs
    // no memory. At most a row for every 16 bytes, the room itself no larger
    // than the file.
    const qsizetype sample = std::min<qsizetype>(size - pos, 64 * 1024);
    const qsizetype sampleLines = std::count(data + pos, data + pos + sample, '\n') + 1;
    const qsizetype rows = std::min((size - pos) / std::max<qsizetype>(sample, 1) * sampleLines * 5 / 4, size / 16);
    buffer.reserve(static_cast<size_t>(buffer.rowCount() + rows + 16));
    bool sniffing = sniffer && sniffer->wantsLines();
    int groupNumber = 1;
    while (pos < size) {
        // Asked for ahead: the bytes come from memory (the file is larger
        // than the caches), and every line waited for its own otherwise.
        __builtin_prefetch(data + std::min(pos + 1024, size));
        const void *lf = std::memchr(data + pos, '\n', static_cast<size_t>(size - pos));
        const qsizetype next = lf ? static_cast<const char *>(lf) - data + 1 : size;
        qsizetype end = lf ? next - 1 : size;
        if (end > pos && data[end - 1] == '\r')
            --end;
        const bool title = !std::memchr(data + pos, '#', static_cast<size_t>(end - pos));
        buffer.appendLine(pos, end - pos, title ? groupNumber++ : 0);
        if (sniffing) {
            sniffer->line(pos, next);
            sniffing = sniffer->wantsLines();
        }
        pos = next;
    }
    return groupNumber;
}

// A file without titles of more than ten lines gets a header every ten words.
void numberGroups(WordBuffer &buffer, int groupNumber)
{
    if (groupNumber == 1 && buffer.rowCount() > 10)
        buffer.insertGroupHeaders(QStringLiteral("无组标题"));
}

} // namespace

void loadWordText(const QString &text, WordBuffer &buffer)
{
    const QByteArray bytes = text.toUtf8();
    buffer.setText(bytes);
    buffer.setEncoding(codec::Encoding::Utf8);
    numberGroups(buffer, addLines(bytes, 0, buffer, nullptr));
}

void loadWordBytes(const QByteArray &bytes, WordBuffer &buffer)
{
    if (codec::utf16Of(bytes)) {
        loadWordText(codec::decodeFile(bytes), buffer);
        return;
    }
    // The bytes are kept as they are; the whole file decides their encoding,
    // checked as it is split.
    codec::LineSniffer sniffer(bytes);
    const qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    // Decoding drops a U+FEFF that starts the text (after a UTF-8 mark, one
    // more) as a byte-order mark: a text of nothing else has no line at all.
    const QByteArrayView text = QByteArrayView(bytes).sliced(start);
    if (text.size() <= 4 && text == codec::byteOrderMark(sniffer.encoding()))
        return;
    buffer.setText(bytes);
    const long firstRow = buffer.rowCount() + 1;
    const int groupNumber = addLines(bytes, start, buffer, &sniffer);
    const codec::Encoding encoding = sniffer.encoding();
    buffer.setEncoding(encoding);
    if (text.startsWith(codec::byteOrderMark(encoding)))
        buffer.skipLineStart(firstRow, codec::byteOrderMark(encoding).size());
    numberGroups(buffer, groupNumber);
}

qint64 maxWordFileBytes()
{
    constexpr qint64 kOffsets = (qint64(1) << 32) - 1;
    constexpr qint64 kFloor = qint64(1) << 30;
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    const qint64 half = pages > 0 && pageSize > 0 ? qint64(pages) * pageSize / 2 : kFloor;
    return std::clamp(half, kFloor, kOffsets);
}

TextLoadResult loadWordFile(const QString &wordFilePath, WordBuffer &buffer)
{
    // The loops below are SSE code, which leftover AVX state would slow.
    util::clearUpperVectorState();
    using Status = FileRead::Status;
    // Exclusive access while reading: a writer must not change the list under us.
    const qint64 limit = maxWordFileBytes();
    const FileRead read = readRegularFile(wordFilePath, limit, true);
    switch (read.status) {
    case Status::Ok: break;
    case Status::CannotOpen:
        return {false, QCoreApplication::translate("kelp::study", "无法打开文件:%1(%2)").arg(wordFilePath, read.error)};
    case Status::NotRegularFile:
        return {false,
                QCoreApplication::translate("kelp::study", "不是普通文件,不能作为单词文件读入:%1").arg(wordFilePath)};
    case Status::Locked:
        return {false, QCoreApplication::translate("kelp::study", "文件正被其他程序使用:%1").arg(wordFilePath)};
    case Status::TooLarge:
        return {false, QCoreApplication::translate("kelp::study", "文件太大(超过%1 MB),不能作为单词文件读入:%2")
                           .arg(limit / (1024 * 1024))
                           .arg(wordFilePath)};
    case Status::ReadFailed:
        return {false, QCoreApplication::translate("kelp::study", "读取文件出错:%1(%2)").arg(wordFilePath, read.error)};
    }
    loadWordBytes(read.data, buffer);
    return {};
}

} // namespace kelp
