// Loading study material from the study database: the groups due for review
// today, and a range of groups.
#pragma once

#include "config/settings.h"
#include "platform/odbc.h"
#include "study/word_buffer.h"
#include "studydb/schema.h"

#include <QDate>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace kelp {

// The due groups may number at most this many.
inline constexpr int kMaxDueGroups = 100;

// The first and last group of a range text "first-last" (blanks around the
// numbers allowed, values below 1 become 1).
struct GroupRange {
    int first = 1;
    int last = 1;
};
GroupRange parseGroupRange(const QString &groupRange);

// Collects into `groups` the groups due today (at most 100, in the database's order).
StudyResult findDueGroups(platform::OdbcConnection &connection, const QDate &today,
                          const std::array<int, 8> &reviewDays, std::vector<int> &groups);

// Loads the groups groups[1..groupCount] into the (empty) buffer, each as a header row
// followed by its words.
StudyResult loadGroups(platform::OdbcConnection &connection, const std::vector<int> &groups, int groupCount,
                       WordBuffer &buffer);

// Loads every group of the range that has words, recording them in `groups`.
StudyResult loadGroupRange(platform::OdbcConnection &connection, const QString &groupRange, WordBuffer &buffer,
                           std::vector<int> &groups);

// The hard words' group "生词本" (header number 0), appended to the buffer
// when any of its words is due by `today`: every word whose last "不认识" or
// addition to the notebook no "认识" on a later day followed, with the
// meaning of its first row in fb. Nothing before any answer.
StudyResult loadHardWords(platform::OdbcConnection &connection, const QDate &today, WordBuffer &buffer);

// Fills the buffer in a database mode: review mode loads the groups due today,
// falling back to the range (and setting `fellBack`) when none is due; range mode
// loads the range. Other modes load nothing here.
StudyResult loadFromDatabase(platform::OdbcConnection &connection, SourceMode mode, const QDate &today,
                             const std::array<int, 8> &reviewDays, const QString &groupRange, bool &fellBack,
                             WordBuffer &buffer, std::vector<int> &groups);

} // namespace kelp
