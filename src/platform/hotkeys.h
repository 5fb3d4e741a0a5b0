// System-wide hot keys on X11: passive key grabs on the root window, each
// key also grabbed with CapsLock, NumLock and both, so the lock keys do not
// disable it. Ids are X atoms, interned from names, as unique and non-zero
// as the atoms of the Windows hot-key API they stand in for.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <vector>

struct xcb_connection_t;
struct _XCBKeySymbols;

namespace kelp::platform {

inline constexpr unsigned mod_alt = 1; // modifiers as the Windows API numbers them

class HotKeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit HotKeys(QObject *parent = nullptr);
    ~HotKeys() override;

    // The atom for `name` (created when missing); 0 when there is no X server.
    static std::uint32_t GlobalAddAtomA(const char *name);

    // Grabs the key with Windows virtual-key code `vk` and modifiers
    // (mod_alt or 0) under `id`. Returns false when another program holds it
    // or the key is unknown; the failure is reported on stderr only.
    bool RegisterHotKey(std::uint32_t id, unsigned modifiers, unsigned vk);
    bool UnregisterHotKey(std::uint32_t id);
    void unregisterAll();

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    // A registered key was pressed; `wparam` is its id.
    void hotKey(std::uint32_t wparam);

private:
    struct Key {
        std::uint32_t id = 0;
        unsigned modifiers = 0; // Windows modifiers
        unsigned vk = 0;
        std::vector<std::uint8_t> keycodes; // grabbed keycodes
        std::uint16_t xmods = 0;            // X modifier mask
    };
    bool grab(Key &key);
    void ungrab(const Key &key);
    void regrabAll();
    void readLockMasks();

    xcb_connection_t *conn_ = nullptr;
    std::uint32_t root_ = 0;
    _XCBKeySymbols *symbols_ = nullptr;
    std::uint16_t numLock_ = 0;
    std::vector<Key> keys_;
};

} // namespace kelp::platform
