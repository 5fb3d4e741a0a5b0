// The word buffer: an in-memory table of study rows with the columns
// da (word or group number), meaning (meaning or group title) and yb (phonetic
// transcription). Rows and columns are numbered from 1. A cell that was never
// set is null, which differs from the empty text.
#pragma once

#include <QString>

#include <array>
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
QString trimSpaces(const QString &text);
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

    const WordRow &row(long row) const { return rows_[static_cast<size_t>(row - 1)]; }
    std::vector<WordRow> &rows() { return rows_; }
    void reserve(size_t n) { rows_.reserve(n); }
    void clear() { rows_.clear(); }

private:
    bool valid(long row) const { return row >= 1 && row <= rowCount(); }
    std::vector<WordRow> rows_;
};

} // namespace kelp
