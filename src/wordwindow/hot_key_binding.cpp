#include "wordwindow/hot_key_binding.h"

#include "platform/hot_keys.h"
#include "util/log.h"
#include "wordwindow/commands.h"

#include <QAction>
#include <QGuiApplication>
#include <QWindow>

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
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &HotKeyBinding::focusChanged);
}

namespace {

bool isArrowKey(QKeyCombination key)
{
    return key.keyboardModifiers() == Qt::NoModifier;
}

} // namespace

void HotKeyBinding::grabAll()
{
    grabbed_ = true;
    held_ = arrows_ && !ownFocus_;
    int taken = 0;
    for (const Commands::HotKey &hotKey : commands_.hotKeys()) {
        if (held_ || !isArrowKey(hotKey.key))
            taken += keys_.grab(hotKey.key) ? 1 : 0;
    }
    qCDebug(lcWordWindow) << "hot keys grabbed:" << taken << "of" << commands_.hotKeys().size();
}

void HotKeyBinding::releaseAll()
{
    // Grabs on the root window outlive our windows: every key is given back.
    keys_.releaseAll();
    grabbed_ = false;
    held_ = false;
}

void HotKeyBinding::setArrowKeys(bool taken)
{
    if (taken == arrows_)
        return;
    arrows_ = taken;
    holdArrows(arrows_ && !ownFocus_);
    qCDebug(lcWordWindow) << "arrow hot keys" << (taken ? "taken" : "given back");
}

void HotKeyBinding::focusChanged(QWindow *window)
{
    disconnect(hidden_);
    disconnect(gone_);
    const bool ownWindow = window && window->isVisible();
    if (ownWindow) {
        hidden_ = connect(window, &QWindow::visibleChanged, this, [this](bool visible) {
            if (!visible)
                focusChanged(nullptr);
        });
        gone_ = connect(window, &QObject::destroyed, this, [this] { focusChanged(nullptr); });
    }
    if (ownWindow == ownFocus_)
        return;
    ownFocus_ = ownWindow;
    holdArrows(arrows_ && !ownFocus_);
    qCDebug(lcWordWindow) << "a window of ours" << (ownWindow ? "has the focus" : "lost the focus");
}

void HotKeyBinding::holdArrows(bool hold)
{
    if (!grabbed_ || hold == held_)
        return;
    held_ = hold;
    for (const Commands::HotKey &hotKey : commands_.hotKeys()) {
        if (!isArrowKey(hotKey.key))
            continue;
        if (hold)
            keys_.grab(hotKey.key);
        else
            keys_.release(hotKey.key);
    }
}

} // namespace kelp
