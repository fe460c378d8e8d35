#include "X11HotKey.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr xcb_keysym_t keysymNumLock = 0xff7f;
// Pressing a modifier key and pointer buttons adds bits above the eight
// modifier bits of a key event's state; only the eight take part in a match.
constexpr quint16 modifierBits = 0xff;
// Longer than any keyboard's delay before auto-repeat starts: a press this
// long after the previous one is a new press, even when the release between
// them went to another program.
constexpr quint32 repeatGapMs = 2000;

struct FreeDeleter
{
    void operator()(void *pointer) const { std::free(pointer); }
};
template<typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct KeySymbolsDeleter
{
    void operator()(xcb_key_symbols_t *symbols) const { xcb_key_symbols_free(symbols); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter>;

// The application's own X connection, so that key events of the grab reach
// the event loop. Under other platforms (offscreen included) the native
// interface may exist with no connection behind it, so the platform decides.
xcb_connection_t *applicationConnection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !qGuiApp)
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return nullptr;
    return connection;
}

// The root window of the screen the display name selects (":0.1" is screen 1).
xcb_window_t rootWindow(xcb_connection_t *connection)
{
    char *host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen))
        std::free(host);

    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    const xcb_window_t firstRoot = it.rem ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
    for (int i = 0; it.rem && i < screen; ++i)
        xcb_screen_next(&it);
    return it.rem ? it.data->root : firstRoot;
}

QList<quint8> keycodesFor(xcb_key_symbols_t *symbols, xcb_keysym_t keysym)
{
    QList<quint8> keycodes;
    XcbReply<xcb_keycode_t> found(xcb_key_symbols_get_keycode(symbols, keysym));
    for (const xcb_keycode_t *code = found.get(); code && *code != XCB_NO_SYMBOL; ++code) {
        if (!keycodes.contains(*code))
            keycodes.append(*code);
    }
    return keycodes;
}

// Num Lock has no fixed modifier bit: it is whichever modifier the key is
// mapped to (Mod2 on most keyboards). Zero when it is not mapped.
quint16 numLockMask(xcb_connection_t *connection, xcb_key_symbols_t *symbols)
{
    const QList<quint8> numLockKeys = keycodesFor(symbols, keysymNumLock);
    if (numLockKeys.isEmpty())
        return 0;
    XcbReply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!mapping)
        return 0;

    const xcb_keycode_t *keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    quint16 mask = 0;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (numLockKeys.contains(keycodes[modifier * perModifier + i]))
                mask |= quint16(1 << modifier);
        }
    }
    return mask;
}

quint16 x11Modifiers(Qt::KeyboardModifiers modifiers)
{
    quint16 mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

} // namespace

X11HotKey::X11HotKey(QObject *parent)
    : QObject(parent)
{ }

X11HotKey::~X11HotKey()
{
    unregisterHotKey();
}

int X11HotKey::registerHotKey(quint32 keysym, Qt::KeyboardModifiers modifiers)
{
    unregisterHotKey();

    xcb_connection_t *connection = applicationConnection();
    if (!connection)
        return NoX11Connection;
    const xcb_window_t root = rootWindow(connection);
    KeySymbols symbols(xcb_key_symbols_alloc(connection));
    if (root == XCB_WINDOW_NONE || !symbols)
        return NoX11Connection;

    const QList<quint8> keycodes = keycodesFor(symbols.get(), keysym);
    if (keycodes.isEmpty())
        return KeyNotOnKeyboard;

    const quint16 wanted = x11Modifiers(modifiers);
    const quint16 numLock = numLockMask(connection, symbols.get());
    QList<quint16> lockVariants = { 0, XCB_MOD_MASK_LOCK };
    if (numLock)
        lockVariants += { numLock, quint16(numLock | XCB_MOD_MASK_LOCK) };

    // Send every grab before checking any, so that the checks cost one round
    // trip to the server rather than one each.
    QList<Grab> requested;
    QList<xcb_void_cookie_t> cookies;
    for (const quint8 keycode : keycodes) {
        for (const quint16 lock : lockVariants) {
            const Grab grab { keycode, quint16(wanted | lock) };
            requested.append(grab);
            cookies.append(xcb_grab_key_checked(
                connection, 1, root, grab.modifiers, grab.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }

    int status = Success;
    QList<Grab> held;
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        XcbReply<xcb_generic_error_t> error(xcb_request_check(connection, cookies.at(i)));
        if (!error)
            held.append(requested.at(i));
        else if (status == Success)
            status = error->error_code;
    }
    if (status == Success && xcb_connection_has_error(connection))
        status = NoX11Connection;

    if (status != Success) {
        for (const Grab &grab : std::as_const(held))
            xcb_ungrab_key(connection, grab.keycode, root, grab.modifiers);
        xcb_flush(connection);
        return status;
    }

    m_root = root;
    m_grabs = held;
    m_keycodes = keycodes;
    m_modifiers = wanted;
    m_lockModifiers = quint16(XCB_MOD_MASK_LOCK | numLock);
    m_keyHeld = false;
    QCoreApplication::instance()->installNativeEventFilter(this);
    return Success;
}

void X11HotKey::unregisterHotKey()
{
    if (m_grabs.isEmpty())
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (xcb_connection_t *connection = applicationConnection()) {
        for (const Grab &grab : std::as_const(m_grabs))
            xcb_ungrab_key(connection, grab.keycode, m_root, grab.modifiers);
        xcb_flush(connection);
    }
    m_grabs.clear();
    m_keycodes.clear();
    m_keyHeld = false;
}

bool X11HotKey::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (m_grabs.isEmpty() || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;

    // Press and release events share one layout.
    const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (!m_keycodes.contains(key->detail))
        return false;
    return type == XCB_KEY_PRESS ? handleKeyPress(key->state, key->time) : handleKeyRelease(key->time);
}

bool X11HotKey::handleKeyPress(quint16 state, quint32 time)
{
    if ((state & modifierBits & ~m_lockModifiers) != m_modifiers)
        return false;

    const bool repeated = (m_keyHeld && quint32(time - m_lastPressTime) < repeatGapMs)
        || (m_lastReleaseTime != 0 && time == m_lastReleaseTime);
    m_keyHeld = true;
    m_lastPressTime = time;
    if (!repeated) {
        // Announced from the event loop rather than from inside the native
        // event dispatch, so that whatever the press starts runs on its own.
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT pressed(); }, Qt::QueuedConnection);
    }
    return true;
}

bool X11HotKey::handleKeyRelease(quint32 time)
{
    if (!m_keyHeld)
        return false;
    m_keyHeld = false;
    m_lastReleaseTime = time;
    return true;
}
