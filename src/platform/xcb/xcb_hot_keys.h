// Global hot keys on X11: passive key grabs on the root window, each key also
// with CapsLock, NumLock and both, so that the lock keys do not disable it.
#pragma once

#include "platform/hot_keys.h"

#include <QAbstractNativeEventFilter>

#include <xcb/xcb_keysyms.h>

#include <cstdint>
#include <vector>

namespace kelp::platform {

class XcbHotKeys : public GlobalHotKeys, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit XcbHotKeys(xcb_connection_t *connection);
    ~XcbHotKeys() override;

    bool grab(QKeyCombination key) override;
    void release(QKeyCombination key) override;
    void releaseAll() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct GrabbedKey {
        std::uint8_t keycode;
        bool keypad; // a keypad arrow: taken only while NumLock is off
    };
    struct Grab {
        QKeyCombination key;
        std::vector<GrabbedKey> keycodes;
        std::uint16_t modifiers = 0; // X modifier mask
    };
    bool grabKeys(Grab &grab);
    void ungrabKeys(const Grab &grab);
    void regrabAll();
    void readNumLockMask();
    std::vector<std::uint16_t> lockVariants(bool keypad) const;

    xcb_connection_t *conn_;
    std::uint32_t root_ = 0;
    xcb_key_symbols_t *symbols_ = nullptr;
    std::uint16_t numLock_ = 0;
    std::vector<Grab> grabs_;
};

} // namespace kelp::platform
