// The tables of the local study database (kelp.mdb, an SQLite file) as the
// trainer's queries read them; whatever makes such a file makes them so.
#pragma once

namespace kelp {

inline constexpr const char *kLocalStudyTables =
    "create table zb (xh integer primary key, bt varchar(100), sj real, cs integer);"
    "create table fb (xh integer not null, da varchar(50), lx2 varchar(160), xh1 integer);"
    "create index fb_xh_xh1 on fb (xh, xh1);";

} // namespace kelp
