#include "wordwindow/hot_key_binding.h"

#include "platform/hot_keys.h"
#include "util/log.h"
#include "wordwindow/commands.h"

#include <QAction>

namespace kelp {

HotKeyBinding::HotKeyBinding(platform::GlobalHotKeys &keys, const Commands &commands, QObject *parent)
    : QObject(parent), keys_(keys), commands_(commands)
{
    connect(&keys_, &platform::GlobalHotKeys::activated, this, [this](QKeyCombination key) {
        for (const Commands::HotKey &hotKey : commands_.hotKeys()) {
            if (hotKey.key == key)
                hotKey.action->trigger();
        }
    });
}

void HotKeyBinding::grabAll()
{
    int taken = 0;
    for (const Commands::HotKey &hotKey : commands_.hotKeys())
        taken += keys_.grab(hotKey.key) ? 1 : 0;
    qCDebug(lcWordWindow) << "hot keys grabbed:" << taken << "of" << commands_.hotKeys().size();
}

void HotKeyBinding::releaseAll()
{
    // Grabs on the root window outlive our windows: every key is given back.
    keys_.releaseAll();
}

} // namespace kelp
