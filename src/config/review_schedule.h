// Parsing of the review cycle text ("1t2t4t7t15t") into seven day counts.
#pragma once

#include <QString>

#include <array>

namespace kelp {

// Default day count of each review stage 1..7 (index 0 unused).
inline constexpr std::array<int, 8> kDefaultReviewDays{0, 1, 2, 4, 7, 15, 30, 60};

// Fills reviewDays[1..7] from `reviewCycle`: each number is ended by a lower-case "t";
// an element left 0 (missing, empty, not a number, or 0) takes its default.
// A null `reviewCycle` parses nothing, so every stage takes its default.
void parseReviewDays(const QString &reviewCycle, std::array<int, 8> &reviewDays);

// Text to whole number: the text, spaces around it removed, must be an
// optionally signed whole number, else 0.
int textToInt(const QString &text);

} // namespace kelp
