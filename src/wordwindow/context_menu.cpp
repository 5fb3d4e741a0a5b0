#include "wordwindow/context_menu.h"

#include "wordwindow/commands.h"

#include <QMenu>

namespace kelp {

void showContextMenu(Commands &commands, QWidget *parent, QPoint at)
{
    commands.syncChecks();
    QMenu menu(parent);
    menu.addActions(commands.menuActions());
    menu.exec(at);
}

} // namespace kelp
