#include "platform/xcb/xcb_hot_keys.h"

#include "util/log.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <QMetaObject>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace kelp::platform {
namespace {

constexpr std::uint32_t XK_F1 = 0xffbe, XK_Left = 0xff51, XK_Up = 0xff52, XK_Right = 0xff53, XK_Down = 0xff54,
                        XK_KP_Left = 0xff96, XK_KP_Up = 0xff97, XK_KP_Right = 0xff98, XK_KP_Down = 0xff99,
                        XK_Num_Lock = 0xff7f;

// The X keysym of a Qt key, for the keys this program uses; 0 for others.
std::uint32_t keysymOf(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<std::uint32_t>(key - Qt::Key_A) + 'a';
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint32_t>(key - Qt::Key_0) + '0';
    switch (key) {
    case Qt::Key_Left: return XK_Left;
    case Qt::Key_Up: return XK_Up;
    case Qt::Key_Right: return XK_Right;
    case Qt::Key_Down: return XK_Down;
    case Qt::Key_F1: return XK_F1;
    default: return 0;
    }
}

// The keypad's key for the same arrow; 0 for other keys.
std::uint32_t keypadKeysymOf(Qt::Key key)
{
    switch (key) {
    case Qt::Key_Left: return XK_KP_Left;
    case Qt::Key_Up: return XK_KP_Up;
    case Qt::Key_Right: return XK_KP_Right;
    case Qt::Key_Down: return XK_KP_Down;
    default: return 0;
    }
}

std::uint16_t xModifiersOf(Qt::KeyboardModifiers modifiers)
{
    std::uint16_t mask = 0;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

QString describe(QKeyCombination key)
{
    return QKeySequence(key).toString(QKeySequence::PortableText);
}

} // namespace

XcbHotKeys::XcbHotKeys(xcb_connection_t *connection) : conn_(connection)
{
    root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    symbols_ = xcb_key_symbols_alloc(conn_);
    readNumLockMask();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XcbHotKeys::~XcbHotKeys()
{
    releaseAll();
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (symbols_)
        xcb_key_symbols_free(symbols_);
}

void XcbHotKeys::readNumLockMask()
{
    // NumLock sits on whichever modifier the keyboard map puts it (usually Mod2).
    numLock_ = XCB_MOD_MASK_2;
    xcb_keycode_t *numCodes = xcb_key_symbols_get_keycode(symbols_, XK_Num_Lock);
    auto *reply = xcb_get_modifier_mapping_reply(conn_, xcb_get_modifier_mapping(conn_), nullptr);
    if (reply && numCodes) {
        const xcb_keycode_t *map = xcb_get_modifier_mapping_keycodes(reply);
        const int perModifier = reply->keycodes_per_modifier;
        for (int mod = 0; mod < 8; ++mod) {
            for (int k = 0; k < perModifier; ++k) {
                for (xcb_keycode_t *n = numCodes; *n != XCB_NO_SYMBOL; ++n) {
                    if (map[mod * perModifier + k] == *n && *n != 0)
                        numLock_ = static_cast<std::uint16_t>(1u << mod);
                }
            }
        }
    }
    std::free(reply);
    std::free(numCodes);
}

std::vector<std::uint16_t> XcbHotKeys::lockVariants(bool keypad) const
{
    if (keypad)
        return {0, XCB_MOD_MASK_LOCK};
    return {0, XCB_MOD_MASK_LOCK, numLock_, static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock_)};
}

bool XcbHotKeys::grabKeys(Grab &grab)
{
    grab.keycodes.clear();
    grab.modifiers = xModifiersOf(grab.key.keyboardModifiers());
    // The key itself, and for the arrows the keypad's arrow keys (which are
    // arrows only while NumLock is off: their NumLock variants stay digits).
    struct Source {
        std::uint32_t keysym;
        bool keypad;
    };
    std::vector<Source> sources{{keysymOf(grab.key.key()), false}};
    if (const std::uint32_t keypad = keypadKeysymOf(grab.key.key()))
        sources.push_back({keypad, true});
    bool ok = true;
    for (const Source &source : sources) {
        xcb_keycode_t *codes = source.keysym ? xcb_key_symbols_get_keycode(symbols_, source.keysym) : nullptr;
        for (xcb_keycode_t *c = codes; c && *c != XCB_NO_SYMBOL && ok; ++c) {
            if (*c == 0)
                continue;
            const GrabbedKey grabbed{*c, source.keypad};
            grab.keycodes.push_back(grabbed);
            for (std::uint16_t variant : lockVariants(grabbed.keypad)) {
                // Owner events off: the keys come to us however our own
                // windows are focused, and are reported on the root window.
                auto cookie =
                    xcb_grab_key_checked(conn_, 0, root_, static_cast<std::uint16_t>(grab.modifiers | variant),
                                         grabbed.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
                if (xcb_generic_error_t *err = xcb_request_check(conn_, cookie)) {
                    std::free(err);
                    ok = false;
                    break;
                }
            }
        }
        std::free(codes);
    }
    if (ok && grab.keycodes.empty()) {
        qCWarning(lcPlatform).noquote() << QCoreApplication::translate(
                                               "kelp::platform", "no key makes %1 on this keyboard; hot key skipped")
                                               .arg(describe(grab.key));
        return false;
    }
    if (!ok) {
        ungrabKeys(grab);
        grab.keycodes.clear();
        qCWarning(lcPlatform).noquote() << QCoreApplication::translate(
                                               "kelp::platform",
                                               "another program holds the hot key %1; skipped (\"kelpword "
                                               "<command>\" does the same, see kelpword --help)")
                                               .arg(describe(grab.key));
    }
    return ok;
}

void XcbHotKeys::ungrabKeys(const Grab &grab)
{
    for (const GrabbedKey &key : grab.keycodes) {
        for (std::uint16_t variant : lockVariants(key.keypad))
            xcb_ungrab_key(conn_, key.keycode, root_, static_cast<std::uint16_t>(grab.modifiers | variant));
    }
    xcb_flush(conn_);
}

bool XcbHotKeys::grab(QKeyCombination key)
{
    for (const Grab &g : grabs_) {
        if (g.key == key)
            return false;
    }
    Grab g{key, {}, 0};
    if (!grabKeys(g))
        return false;
    grabs_.push_back(std::move(g));
    return true;
}

void XcbHotKeys::release(QKeyCombination key)
{
    for (auto it = grabs_.begin(); it != grabs_.end(); ++it) {
        if (it->key == key) {
            ungrabKeys(*it);
            grabs_.erase(it);
            return;
        }
    }
}

void XcbHotKeys::releaseAll()
{
    for (const Grab &g : grabs_)
        ungrabKeys(g);
    grabs_.clear();
}

void XcbHotKeys::regrabAll()
{
    for (Grab &g : grabs_)
        ungrabKeys(g);
    readNumLockMask();
    for (Grab &g : grabs_)
        grabKeys(g);
}

bool XcbHotKeys::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t" || grabs_.empty())
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
    auto *press = reinterpret_cast<xcb_key_press_event_t *>(event);
    // Only our grabs report on the root; keys of our own menus go to them.
    if (press->event != root_)
        return false;
    const std::uint16_t state = press->state & ~(XCB_MOD_MASK_LOCK | numLock_) &
                                (XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4);
    for (const Grab &g : grabs_) {
        if (g.modifiers != state)
            continue;
        for (const GrabbedKey &key : g.keycodes) {
            if (key.keycode == press->detail) {
                // Queued: a command may open a message box, which must not
                // run inside native event handling.
                if (type == XCB_KEY_PRESS)
                    QMetaObject::invokeMethod(
                        this, [this, key = g.key] { emit activated(key); }, Qt::QueuedConnection);
                return true;
            }
        }
    }
    return false;
}

} // namespace kelp::platform
