#include "wordwindow/context_menu.h"

#include "util/log.h"
#include "wordwindow/commands.h"

#include <QMenu>

namespace kelp {

void showContextMenu(Commands &commands, QWidget *parent, QPoint at)
{
    commands.syncChecks();
    QMenu menu(parent);
    menu.addActions(commands.menuActions());
    qCDebug(lcWordWindow) << "context menu";
    menu.exec(at);
}

} // namespace kelp
