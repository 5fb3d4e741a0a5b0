// The word window's right-click menu.
#pragma once

#include <QPoint>

class QWidget;

namespace kelp {

class Commands;

// Shows the commands as a menu at `at` (global pixels); returns when the
// menu is dismissed.
void showContextMenu(Commands &commands, QWidget *parent, QPoint at);

} // namespace kelp
