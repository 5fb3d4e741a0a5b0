// Binds the commands' keys to the desktop-wide hot keys.
#pragma once

#include <QObject>

namespace kelp {

class Commands;
namespace platform {
class GlobalHotKeys;
}

class HotKeyBinding : public QObject {
    Q_OBJECT
public:
    HotKeyBinding(platform::GlobalHotKeys &keys, const Commands &commands, QObject *parent = nullptr);

    // Takes every key; a key another program holds is skipped.
    void grabAll();
    // Gives every key back.
    void releaseAll();

private:
    platform::GlobalHotKeys &keys_;
    const Commands &commands_;
};

} // namespace kelp
