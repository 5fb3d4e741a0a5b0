// The study database as the words window's store reads it, a line a group
// ("#number title date stage") and a line a word ("group place word|lx2").
#pragma once

#include "platform/odbc.h"

#include <QStringList>

namespace kelp::test {

QStringList storedLines(platform::OdbcConnection &connection);

} // namespace kelp::test
