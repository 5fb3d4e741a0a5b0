// Binds the commands' keys to the desktop-wide hot keys.
#pragma once

#include <QObject>

class QWindow;

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
    // Takes or gives back the four plain arrow keys (at once when grabbed);
    // the others stay as they are.
    void setArrowKeys(bool taken);
    bool arrowKeys() const { return arrows_; }

private:
    // The arrow keys are held while the setting asks for them and no window
    // of ours has the focus: typed into the words window's search box or a
    // dialog, they belong to it.
    void holdArrows(bool hold);
    void focusChanged(QWindow *window);

    platform::GlobalHotKeys &keys_;
    const Commands &commands_;
    bool arrows_ = true;
    bool ownFocus_ = false;
    bool held_ = false; // the arrow keys are grabbed now
    bool grabbed_ = false;
    // A focused window that closes may leave no word of the focus moving on.
    QMetaObject::Connection hidden_, gone_;
};

} // namespace kelp
