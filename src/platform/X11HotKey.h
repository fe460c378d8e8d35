#pragma once

#include "platform/KeyRepeatFilter.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>
#include <QTimer>

// A system-wide hot key on an X11 session: a passive grab of one key with its
// modifiers on the root window of the application's X connection.
//
// The grab covers every combination of the Caps Lock and Num Lock states, so
// the key works whichever lock is on. A press is announced with pressed() from
// the event loop, once per physical press: the keyboard's auto-repeat while
// the keys are held down does not announce further presses, and a press counts
// even when the release before it went to another program.
//
// A grab holds key codes, not symbols: when the keyboard's mapping changes (a
// new layout), keyboardMappingChanged() asks the owner to register again.
//
// Registration answers with a status rather than failing silently, so that
// the caller can tell the user why the key does nothing.
class X11HotKey : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    // Statuses of registerHotKey(). Any other positive value is the X error
    // code of the grab that the server refused, BadAccess when another
    // program holds the same key combination.
    static constexpr int Success = 0;
    static constexpr int BadAccess = 10;
    // No usable X11 connection: not an X11 session (Wayland, the offscreen
    // platform, no GUI application) or the connection to the server is lost.
    static constexpr int NoX11Connection = -1;
    // The keyboard has no key that produces the keysym.
    static constexpr int KeyNotOnKeyboard = -2;

    // The keysym of the "2" key of the main row.
    static constexpr quint32 Keysym2 = 0x32;

    explicit X11HotKey(QObject *parent = nullptr);
    ~X11HotKey() override;

    // Grabs the key that produces `keysym` (an X keysym) together with exactly
    // `modifiers` (Shift, Control, Alt, Meta). A registration held by this
    // object is released first. Either every lock variant is grabbed and
    // Success returned, or nothing stays grabbed and the failure's status is
    // returned.
    int registerHotKey(quint32 keysym, Qt::KeyboardModifiers modifiers);

    // Releases the grabs. Harmless when nothing is registered.
    void unregisterHotKey();

    bool isRegistered() const { return !m_grabs.isEmpty(); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

Q_SIGNALS:
    void pressed();
    // The server reports a new keyboard mapping that moves the registered key
    // (or Num Lock); one signal for a burst of reports.
    void keyboardMappingChanged();

private:
    struct Grab
    {
        quint8 keycode;
        quint16 modifiers;
    };

    bool handleKeyPress(quint8 keycode, quint16 state, quint32 time, quint16 sequence);
    bool handleKeyRelease(quint32 time);
    bool isMappingChange(const void *event, quint8 type) const;
    bool grabNoLongerFits() const;
    void checkKeyState();

    quint32 m_root = 0;
    quint32 m_keysym = 0;
    QList<Grab> m_grabs;
    QList<quint8> m_keycodes;
    quint16 m_numLock = 0;
    quint16 m_modifiers = 0;
    quint16 m_lockModifiers = 0;

    // The extension's first event code, 0 without the X keyboard extension.
    quint8 m_xkbFirstEvent = 0;

    KeyRepeatFilter m_repeatFilter;
    quint8 m_pressedKeycode = 0;
    // While a release may have gone elsewhere, the key's state is asked for.
    QTimer m_keyStateCheck;
    QTimer m_mappingChange;
};
