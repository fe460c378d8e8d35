#pragma once

#include "platform/X11HotKey.h"

#include <QObject>
#include <QStringView>

// The one system-wide shortcut of the application, Ctrl+Shift+2, which starts
// a screen capture from anywhere.
//
// It is either idle (nothing grabbed, no handler connected) or active (the key
// grabbed and its presses handled). Registering always starts from idle, so at
// most one registration ever exists. A new keyboard layout moves the key that
// types "2", so an active registration is made again when the layout changes.
class GlobalHotkeyManager : public QObject
{
    Q_OBJECT

public:
    static GlobalHotkeyManager &shared();

    // (Re)registers the shortcut and handles its presses. A refusal (another
    // program holds the key, or no X11 session) is logged with its status and
    // leaves the manager idle; a later call tries again.
    void registerGlobalHotkey();

    // Releases the shortcut and its handler, whichever exist. Safe at any time.
    void unregisterGlobalHotkey();

    bool isRegistered() const { return m_hotKey.isRegistered(); }

    // The reaction to a press of the key: touches no state and leaves the work
    // to the event loop, where the shared instance handles the press.
    static void hotKeyEventHandler();

Q_SIGNALS:
    // A press is being handled; a capture starts right after.
    void hotkeyPressed();

private:
    GlobalHotkeyManager();

    void handleHotkeyPressed();

    X11HotKey m_hotKey;
    QMetaObject::Connection m_eventHandler;
};

// The 32-bit code of a four-character tag, first character in the most
// significant byte: "pexo" gives 0x7065786F. `text` must have four characters.
quint32 fourCharCode(QStringView text);
