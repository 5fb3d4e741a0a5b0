// The word buffer: an in-memory table of study rows with the columns
// da (word or group number), meaning (meaning or group title) and yb (phonetic
// transcription). Rows and columns are numbered from 1. A cell that was never
// set is null, which differs from the empty text.
#pragma once

#include "config/codec.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kelp {

using Cell = std::optional<QString>;

// The buffer's columns, numbered from 1.
inline constexpr int kWordColumn = 1;     // the word, or a heading's group number
inline constexpr int kMeaningColumn = 2;  // the meaning, or a heading's group title
inline constexpr int kPhoneticColumn = 3; // the transcription

struct WordRow {
    Cell word;
    Cell meaning;
    Cell phonetic;
};

// True when the whole text (blanks around it allowed) is a number; this is
// what makes a row a group header.
bool isNumber(const QString &text);
bool isNumber(const Cell &cell);

// Removes leading and trailing space characters only (tabs stay).
QString trimSpaces(const Cell &cell); // null gives the empty text

// The integer value of a numeric text (its whole part), 0 when not numeric.
int numberValue(const QString &text);

class WordBuffer {
public:
    // Declared column widths in GBK bytes. Longer texts are kept whole.
    static constexpr std::array<int, 4> kDeclaredWidth{0, 50, 160, 50};

    long rowCount() const { return static_cast<long>(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }

    // Appends an empty row and returns its number.
    long appendRow();
    // Inserts an empty row before row `before` (1..rowCount()+1); returns its number.
    long insertRow(long before);

    // Column 1, 2 or 3 of row `row`; out-of-range addresses are ignored / read as null.
    void setItem(long row, int column, const QString &text);
    Cell item(long row, int column) const;

    // True when row `row` is a group header (its da is numeric).
    bool isHeader(long row) const;

    // The first row among 1..limit whose da equals `da`, or 0.
    long find(const QString &da, long limit) const;
    long find(const QString &da) const { return find(da, rowCount()); }

    // The three cells of row `row` (1..rowCount()), made when asked.
    WordRow row(long row) const;
    void reserve(size_t n) { rows_.reserve(n); }
    void clear();

    // A word file kept as its bytes (shared, not copied): the rows
    // appendLine() adds read their cells from it, decoded a cell at a time
    // when asked, so that a line costs a few bytes beside its own.
    void setText(const QByteArray &text);
    // How the text is decoded; decided once all of it has been split.
    void setEncoding(codec::Encoding encoding) { encoding_ = encoding; }
    // Line [start, start + length) of the text, without its line end, as a
    // row: "word#meaning#transcription", or with `group` > 0 a title line,
    // the header of that group.
    void appendLine(qsizetype start, qsizetype length, int group);
    // Drops the first `bytes` of the line of row `row` from its cells.
    void skipLineStart(long row, qsizetype bytes);
    // A header row before every ten rows: the number k from 1 and `title`.
    void insertGroupHeaders(const QString &title);

private:
    enum class Kind : std::uint8_t { Stored, WordLine, TitleLine };
    // 16 bytes a row; 32-bit offsets, as a word file is at most 4 GiB.
    struct RowRef {
        std::uint32_t start = 0;  // a line's first byte in the text; a stored row's index in stored_
        std::uint32_t length = 0; // a line's bytes
        std::int32_t group = 0;   // a title line's group number
        Kind kind = Kind::Stored;
    };
    // A part of the text: offsets from a line's start.
    struct Span {
        qsizetype begin = 0;
        qsizetype end = 0;
    };

    bool valid(long row) const { return row >= 1 && row <= rowCount(); }
    const RowRef &ref(long row) const { return rows_[static_cast<size_t>(row - 1)]; }
    const char *lineOf(const RowRef &r) const { return text_.constData() + r.start; }
    Span wordSpan(const RowRef &r) const;
    QString decoded(const char *bytes, qsizetype length) const;
    Cell cellOf(const RowRef &r, int column) const;
    WordRow &stored(long row); // moved to the side store first when it was a line
    RowRef storedRef();        // a new empty row in the side store

    std::vector<RowRef> rows_;
    std::vector<WordRow> stored_; // rows added or set one by one, and numbered headers
    QByteArray text_;
    codec::Encoding encoding_ = codec::Encoding::Utf8;
};

} // namespace kelp
