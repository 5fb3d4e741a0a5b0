// The progress chart as a file, for "kelpword progress --chart".
#pragma once

#include "studydb/study_plan.h"

#include <QString>

namespace kelp {

// Writes the chart as PNG or SVG (by the name's ending; PNG otherwise).
bool saveProgressChart(const QString &file, const plan::Progress &progress, QString *error);

} // namespace kelp
