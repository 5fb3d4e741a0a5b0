#include "platform/hotkeys.h"

#include "platform/x11.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelp::platform {
namespace {

constexpr std::uint32_t XK_F1 = 0xffbe, XK_Left = 0xff51, XK_Up = 0xff52, XK_Right = 0xff53, XK_Down = 0xff54,
                        XK_Num_Lock = 0xff7f;

// Windows virtual-key code to X keysym, for the keys this program uses.
std::uint32_t keysymFor(unsigned vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return vk - 'A' + 'a';
    if (vk >= '0' && vk <= '9')
        return vk;
    switch (vk) {
    case 37: return XK_Left;
    case 38: return XK_Up;
    case 39: return XK_Right;
    case 40: return XK_Down;
    case 0x70: return XK_F1;
    default: return 0;
    }
}

} // namespace

HotKeys::HotKeys(QObject *parent) : QObject(parent)
{
    conn_ = x11Connection();
    if (!conn_)
        return;
    root_ = x11RootWindow(conn_);
    symbols_ = xcb_key_symbols_alloc(conn_);
    readLockMasks();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

HotKeys::~HotKeys()
{
    unregisterAll();
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (symbols_)
        xcb_key_symbols_free(symbols_);
}

std::uint32_t HotKeys::GlobalAddAtomA(const char *name)
{
    xcb_connection_t *c = x11Connection();
    if (!c)
        return 0;
    auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!reply)
        return 0;
    const std::uint32_t atom = reply->atom;
    std::free(reply);
    return atom;
}

void HotKeys::readLockMasks()
{
    // NumLock sits on whichever modifier the keyboard map puts it (usually Mod2).
    numLock_ = XCB_MOD_MASK_2;
    xcb_keycode_t *numCodes = xcb_key_symbols_get_keycode(symbols_, XK_Num_Lock);
    auto *reply = xcb_get_modifier_mapping_reply(conn_, xcb_get_modifier_mapping(conn_), nullptr);
    if (reply && numCodes) {
        const xcb_keycode_t *map = xcb_get_modifier_mapping_keycodes(reply);
        const int per = reply->keycodes_per_modifier;
        for (int mod = 0; mod < 8; ++mod) {
            for (int k = 0; k < per; ++k) {
                for (xcb_keycode_t *n = numCodes; *n != XCB_NO_SYMBOL; ++n) {
                    if (map[mod * per + k] == *n && *n != 0)
                        numLock_ = static_cast<std::uint16_t>(1u << mod);
                }
            }
        }
    }
    std::free(reply);
    std::free(numCodes);
}

bool HotKeys::grab(Key &key)
{
    key.keycodes.clear();
    const std::uint32_t sym = keysymFor(key.vk);
    xcb_keycode_t *codes = sym ? xcb_key_symbols_get_keycode(symbols_, sym) : nullptr;
    if (!codes) {
        std::fprintf(stderr, "kelpword: no key for virtual key %u; hot key skipped\n", key.vk);
        return false;
    }
    key.xmods = (key.modifiers & mod_alt) ? XCB_MOD_MASK_1 : 0;
    const std::uint16_t variants[] = {0, XCB_MOD_MASK_LOCK, numLock_,
                                      static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock_)};
    bool ok = true;
    for (xcb_keycode_t *c = codes; *c != XCB_NO_SYMBOL && ok; ++c) {
        if (*c == 0)
            continue;
        key.keycodes.push_back(*c);
        for (std::uint16_t v : variants) {
            // Owner events off: the keys go to us however our own windows are
            // focused, and are reported on the root window.
            auto cookie = xcb_grab_key_checked(conn_, 0, root_, static_cast<std::uint16_t>(key.xmods | v), *c,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t *err = xcb_request_check(conn_, cookie)) {
                std::free(err);
                ok = false;
                break;
            }
        }
    }
    std::free(codes);
    if (!ok) {
        ungrab(key);
        key.keycodes.clear();
        std::fprintf(stderr, "kelpword: another program holds the hot key (virtual key %u, modifiers %u); skipped\n",
                     key.vk, key.modifiers);
    }
    return ok && !key.keycodes.empty();
}

void HotKeys::ungrab(const Key &key)
{
    const std::uint16_t variants[] = {0, XCB_MOD_MASK_LOCK, numLock_,
                                      static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock_)};
    for (std::uint8_t c : key.keycodes) {
        for (std::uint16_t v : variants)
            xcb_ungrab_key(conn_, c, root_, static_cast<std::uint16_t>(key.xmods | v));
    }
    xcb_flush(conn_);
}

bool HotKeys::RegisterHotKey(std::uint32_t id, unsigned modifiers, unsigned vk)
{
    if (!conn_ || id == 0)
        return false;
    for (const Key &k : keys_) {
        if (k.id == id)
            return false;
    }
    Key key;
    key.id = id;
    key.modifiers = modifiers;
    key.vk = vk;
    if (!grab(key))
        return false;
    keys_.push_back(std::move(key));
    return true;
}

bool HotKeys::UnregisterHotKey(std::uint32_t id)
{
    for (auto it = keys_.begin(); it != keys_.end(); ++it) {
        if (it->id == id) {
            if (conn_)
                ungrab(*it);
            keys_.erase(it);
            return true;
        }
    }
    return false;
}

void HotKeys::unregisterAll()
{
    if (conn_) {
        for (const Key &k : keys_)
            ungrab(k);
    }
    keys_.clear();
}

void HotKeys::regrabAll()
{
    for (Key &k : keys_)
        ungrab(k);
    readLockMasks();
    for (Key &k : keys_)
        grab(k);
}

bool HotKeys::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t" || keys_.empty())
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        // A new keyboard layout: keycodes may have moved.
        auto *mapping = reinterpret_cast<xcb_mapping_notify_event_t *>(event);
        if (mapping->request != XCB_MAPPING_POINTER) {
            xcb_refresh_keyboard_mapping(symbols_, mapping);
            regrabAll();
        }
        return false;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    auto *key = reinterpret_cast<xcb_key_press_event_t *>(event);
    // Only our grabs report on the root; keys of our own menus go to them.
    if (key->event != root_)
        return false;
    const std::uint16_t state = key->state & ~(XCB_MOD_MASK_LOCK | numLock_) &
                                (XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4);
    for (const Key &k : keys_) {
        if (k.xmods != state)
            continue;
        for (std::uint8_t c : k.keycodes) {
            if (c == key->detail) {
                if (type == XCB_KEY_PRESS)
                    emit hotKey(k.id);
                return true;
            }
        }
    }
    return false;
}

} // namespace kelp::platform
