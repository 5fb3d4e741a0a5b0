// The study tables: zb, one row a group, and fb, one row a word. The local
// file (kelp.mdb, SQLite) and a database server hold the same columns; on a
// server sj is a date, in the file a julian day number.
#pragma once

#include "platform/odbc.h"
#include "studydb/study_error.h"

#include <QString>

#include <QByteArray>

#include <optional>
#include <vector>

namespace kelp {

// Group numbers (zb.xh) are 16-bit: the Windows version reads them so.
inline constexpr int kMaxGroupNumber = 32767;

inline constexpr const char *kLocalStudyTables =
    "create table zb (xh integer primary key, bt varchar(100), sj real, cs integer);"
    "create table fb (xh integer not null, da varchar(50), lx2 varchar(160), xh1 integer);"
    "create index fb_xh_xh1 on fb (xh, xh1);";

// True when the data source already holds a table zb.
bool hasStudyTables(platform::OdbcConnection &connection);

// The layout of the study tables has a version of its own (table
// kelp_schema). 0: zb and fb alone, as kelpword-mkdb and the Windows version
// make them; 1: the study plan's tables beside them; 2: the learner's
// answers and the words' memories. A database is upgraded only when the
// program has something to add, never rewritten.
inline constexpr int kSchemaVersion = 2;

// The database's version: 0 without a table kelp_schema. Unset with `error`
// set when it cannot be read.
StudyExpected<int> schemaVersion(platform::OdbcConnection &connection);
// What brings a database of version `from` to this program's, its version
// row included: run in one transaction, by either engine.
std::vector<QByteArray> upgradeStatements(int from);
// The words that refuse a database of a newer program, naming both versions.
QString newerSchemaMessage(int found);
// The error when the database is of a newer program (nothing may be written
// to it, nor read as if it were ours).
StudyResult refuseNewerSchema(platform::OdbcConnection &connection);
// Brings an older database up to kSchemaVersion in one transaction of its
// own (said once on stderr); a newer one is refused, the current one left alone.
StudyResult upgradeSchema(platform::OdbcConnection &connection);

// Makes zb and fb on a server (dropping old ones when `replace`), inside
// whatever transaction the caller has open. The error says why not; a
// database that is not UTF-8 is refused before anything is written.
StudyResult createServerStudyTables(platform::OdbcConnection &connection, bool replace);

} // namespace kelp
