// However a database behaves (a server frozen in the middle of a statement
// answers nothing, and no time-out of its own then fires), a command of the
// tools ends: a watchdog thread ends the process with a message and status 1
// when one call into the database takes longer than kStatementLimitS, or the
// whole run longer than `runLimitS`. What an import had not committed stays
// out of the database (a server rolls back a connection that goes away).
#pragma once

#include "studydb/data_source.h"

namespace kelp {

inline constexpr int kImportRunLimitS = 1800;
inline constexpr int kRunLimitS = 300;

void watchDatabase(int runLimitS);

} // namespace kelp
