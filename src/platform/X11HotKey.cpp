#include "X11HotKey.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// The header names a member "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace {

constexpr xcb_keysym_t keysymNumLock = 0xff7f;
// Pressing a modifier key and pointer buttons adds bits above the eight
// modifier bits of a key event's state; only the eight take part in a match.
constexpr quint16 modifierBits = 0xff;
// How often the key's state is asked for while its release may have gone to
// another program: well under the time a finger takes to press a key again.
constexpr int keyStateCheckIntervalMs = 30;
// A new layout arrives as a handful of reports; they are answered once.
constexpr int mappingChangeSettleMs = 50;
constexpr quint16 mappingParts = XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;

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

// Starts the keyboard extension on the connection (again, if the platform
// already did) and asks for reports of new keyboards and mappings. Returns the
// extension's first event code, or 0 when the server has no such extension.
quint8 watchKeyboardMapping(xcb_connection_t *connection)
{
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!extension || !extension->present)
        return 0;
    XcbReply<xcb_xkb_use_extension_reply_t> use(xcb_xkb_use_extension_reply(connection,
        xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr));
    if (!use || !use->supported)
        return 0;
    // Adds to what the platform asked for, and takes nothing away.
    const xcb_xkb_select_events_details_t noDetails = {};
    xcb_xkb_select_events_aux(connection, XCB_XKB_ID_USE_CORE_KBD,
        XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY, 0,
        XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY, mappingParts, mappingParts, &noDetails);
    return extension->first_event;
}

// How the server reports this client's repeated presses: detectable
// auto-repeat is a per-client setting, off unless someone switched it on.
KeyRepeatFilter::Repeats serverRepeats(xcb_connection_t *connection, quint8 xkbFirstEvent)
{
    if (!xkbFirstEvent)
        return KeyRepeatFilter::Repeats::AfterRelease;
    // Changing nothing reads the flags.
    XcbReply<xcb_xkb_per_client_flags_reply_t> flags(xcb_xkb_per_client_flags_reply(
        connection, xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 0, 0, 0), nullptr));
    if (flags && (flags->value & XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT))
        return KeyRepeatFilter::Repeats::WithoutRelease;
    return KeyRepeatFilter::Repeats::AfterRelease;
}

// Whether the key is down; `sequence` is set to that of the request.
bool keyIsDown(xcb_connection_t *connection, quint8 keycode, quint16 *sequence)
{
    const xcb_query_keymap_cookie_t request = xcb_query_keymap(connection);
    *sequence = quint16(request.sequence);
    XcbReply<xcb_query_keymap_reply_t> keymap(xcb_query_keymap_reply(connection, request, nullptr));
    // Unknown counts as up: a press is better started twice than lost.
    return keymap && (keymap->keys[keycode / 8] & (1 << (keycode % 8)));
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
{
    m_keyStateCheck.setInterval(keyStateCheckIntervalMs);
    connect(&m_keyStateCheck, &QTimer::timeout, this, &X11HotKey::checkKeyState);
    m_mappingChange.setSingleShot(true);
    m_mappingChange.setInterval(mappingChangeSettleMs);
    connect(&m_mappingChange, &QTimer::timeout, this, [this] {
        if (isRegistered() && grabNoLongerFits())
            Q_EMIT keyboardMappingChanged();
    });
}

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
    m_keysym = keysym;
    m_grabs = held;
    m_keycodes = keycodes;
    m_numLock = numLock;
    m_modifiers = wanted;
    m_lockModifiers = quint16(XCB_MOD_MASK_LOCK | numLock);
    m_xkbFirstEvent = watchKeyboardMapping(connection);
    m_repeatFilter = KeyRepeatFilter(serverRepeats(connection, m_xkbFirstEvent));
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
    m_keyStateCheck.stop();
    m_mappingChange.stop();
}

bool X11HotKey::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (m_grabs.isEmpty() || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & ~0x80;
    if (isMappingChange(event, type)) {
        // The platform needs the report too.
        m_mappingChange.start();
        return false;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;

    // Press and release events share one layout.
    const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (!m_keycodes.contains(key->detail))
        return false;
    return type == XCB_KEY_PRESS ? handleKeyPress(key->detail, key->state, key->time, key->sequence)
                                 : handleKeyRelease(key->time);
}

bool X11HotKey::grabNoLongerFits() const
{
    // Reports come for more than layouts (switching between two keyboards
    // sends one too); most leave the key where it was.
    xcb_connection_t *connection = applicationConnection();
    KeySymbols symbols(connection ? xcb_key_symbols_alloc(connection) : nullptr);
    if (!symbols)
        return false;
    return keycodesFor(symbols.get(), m_keysym) != m_keycodes
        || numLockMask(connection, symbols.get()) != m_numLock;
}

bool X11HotKey::isMappingChange(const void *event, quint8 type) const
{
    if (type == XCB_MAPPING_NOTIFY) {
        const auto *mapping = static_cast<const xcb_mapping_notify_event_t *>(event);
        return mapping->request == XCB_MAPPING_KEYBOARD || mapping->request == XCB_MAPPING_MODIFIER;
    }
    if (!m_xkbFirstEvent || type != m_xkbFirstEvent)
        return false;
    // Every event of the extension carries its kind in the second byte.
    const auto *any = static_cast<const xcb_xkb_new_keyboard_notify_event_t *>(event);
    if (any->xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY)
        return true;
    if (any->xkbType == XCB_XKB_MAP_NOTIFY)
        return static_cast<const xcb_xkb_map_notify_event_t *>(event)->changed & mappingParts;
    return false;
}

bool X11HotKey::handleKeyPress(quint8 keycode, quint16 state, quint32 time, quint16 sequence)
{
    if ((state & modifierBits & ~m_lockModifiers) != m_modifiers)
        return false;

    m_pressedKeycode = keycode;
    if (m_repeatFilter.press(time, sequence)) {
        // Announced from the event loop rather than from inside the native
        // event dispatch, so that whatever the press starts runs on its own.
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT pressed(); }, Qt::QueuedConnection);
    }
    if (m_repeatFilter.needsKeyState() && !m_keyStateCheck.isActive())
        m_keyStateCheck.start();
    return true;
}

bool X11HotKey::handleKeyRelease(quint32 time)
{
    // Only the release of a press the hot key took.
    if (!m_repeatFilter.isDown())
        return false;
    m_repeatFilter.release(time);
    m_keyStateCheck.stop();
    return true;
}

void X11HotKey::checkKeyState()
{
    xcb_connection_t *connection = applicationConnection();
    if (!connection || !m_repeatFilter.needsKeyState()) {
        m_keyStateCheck.stop();
        return;
    }
    quint16 sequence = 0;
    if (!keyIsDown(connection, m_pressedKeycode, &sequence)) {
        m_repeatFilter.keyIsUp(sequence);
        m_keyStateCheck.stop();
    }
}
