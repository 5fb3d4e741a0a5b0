// Loading study material from the study database: the groups due for review
// today, and a range of groups.
#pragma once

#include "platform/odbc.h"
#include "study/word_buffer.h"

#include <QDate>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace kelp {

// The due groups may number at most this many.
inline constexpr int kMaxDueGroups = 100;

// A query that could not be opened: its status (below 0) and the driver's words.
struct DbError {
    int status = -1;
    QString text;
};

// The first and last group of a range text "first-last" (blanks around the
// numbers allowed, values below 1 become 1).
struct GroupRange {
    int xhq = 1;
    int xhz = 1;
};
GroupRange parseGroupRange(const QString &gtfz);

// Collects into `zxh` the groups due today (at most 100, in the database's order).
std::optional<DbError> wfxzq(platform::OdbcConnection &sqlca, const QDate &dqsj, const std::array<int, 8> &fxd,
                             std::vector<int> &zxh);

// Loads the groups zxh[1..iend] into the (empty) buffer, each as a header row
// followed by its words.
std::optional<DbError> fxsjload(platform::OdbcConnection &sqlca, const std::vector<int> &zxh, int iend,
                                WordBuffer &dw_new);

// Loads every group of the range that has words, recording them in `zxh`.
std::optional<DbError> gtfzload(platform::OdbcConnection &sqlca, const QString &gtfz, WordBuffer &dw_new,
                                std::vector<int> &zxh);

// Fills the buffer in a database mode: sjms 1 loads the groups due today,
// falling back to the range (and setting `f1t2`) when none is due; sjms 2
// loads the range. Other modes load nothing here.
std::optional<DbError> loadFromDatabase(platform::OdbcConnection &sqlca, int sjms, const QDate &dqsj,
                                        const std::array<int, 8> &fxd, const QString &gtfz, bool &f1t2,
                                        WordBuffer &dw_new, std::vector<int> &zxh);

} // namespace kelp
