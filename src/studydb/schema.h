// The study tables: zb, one row a group, and fb, one row a word. The local
// file (kelp.mdb, SQLite) and a database server hold the same columns; on a
// server sj is a date, in the file a julian day number.
#pragma once

#include "platform/odbc.h"

#include <QString>

#include <optional>

namespace kelp {

// Group numbers (zb.xh) are 16-bit: the Windows version reads them so.
inline constexpr int kMaxGroupNumber = 32767;

inline constexpr const char *kLocalStudyTables =
    "create table zb (xh integer primary key, bt varchar(100), sj real, cs integer);"
    "create table fb (xh integer not null, da varchar(50), lx2 varchar(160), xh1 integer);"
    "create index fb_xh_xh1 on fb (xh, xh1);";

// True when the data source already holds a table zb.
bool hasStudyTables(platform::OdbcConnection &connection);

// Makes zb and fb on a server (dropping old ones when `replace`), inside
// whatever transaction the caller has open. The error says why not; a
// database that is not UTF-8 is refused before anything is written.
std::optional<QString> createServerStudyTables(platform::OdbcConnection &connection, bool replace);

} // namespace kelp
