// The study tables on a database server reached through an ODBC data source:
// made and filled in one transaction, so other trainers see all of it or none.
#pragma once

#include "platform/odbc.h"

#include <QDate>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace kelp::server {

struct StudyGroup {
    int number = 0;
    QString title;
    QDate referenceDate;                            // zb.sj
    int stage = 0;                                  // zb.cs
    std::vector<std::pair<QString, QString>> words; // fb.da, fb.lx2 in word order
};

// Connects to the data source `name` (its own time-outs apply). Returns the
// driver manager's words on failure.
std::optional<QString> connectDataSource(platform::OdbcConnection &connection, const QString &name);

// True when the data source already holds a table zb.
bool hasStudyTables(platform::OdbcConnection &connection);

// Creates zb and fb (dropping old ones when `replace`) and writes `groups`,
// all in one transaction. On failure nothing of it stays; the error says why.
std::optional<QString> writeStudyTables(platform::OdbcConnection &connection, const std::vector<StudyGroup> &groups,
                                        bool replace);

// Commits or (when not committed) rolls back one transaction on a connection
// that otherwise commits each statement.
class Transaction {
public:
    explicit Transaction(platform::OdbcConnection &connection);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    bool commit();

private:
    platform::OdbcConnection &connection_;
    bool wasAutoCommit_;
    bool done_ = false;
};

} // namespace kelp::server
