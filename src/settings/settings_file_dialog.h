// Asking for the settings file when it is not where it should be.
#pragma once

#include <QString>

#include <optional>

namespace kelp {

// The "打开文件" dialog for an .ini file, starting in `folder`; the chosen
// path, or nothing when the learner cancelled.
std::optional<QString> askForSettingsFile(const QString &folder);

// Says that no settings file could be opened ("无法打开初始化文件").
void sayNoSettingsFile();

} // namespace kelp
