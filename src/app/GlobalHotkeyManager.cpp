#include "GlobalHotkeyManager.h"

#include "capture/ScreenshotManager.h"
#include "platform/Log.h"

#include <QTimer>

GlobalHotkeyManager &GlobalHotkeyManager::shared()
{
    static GlobalHotkeyManager *manager = new GlobalHotkeyManager; // lives as long as the process
    return *manager;
}

GlobalHotkeyManager::GlobalHotkeyManager()
{
    connect(&m_hotKey, &X11HotKey::keyboardMappingChanged, this, &GlobalHotkeyManager::registerGlobalHotkey);
}

void GlobalHotkeyManager::registerGlobalHotkey()
{
    unregisterGlobalHotkey();

    const int status = m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier);
    if (status != X11HotKey::Success) {
        Log::line(QStringLiteral("❌ Failed to register global hotkey. Status: %1").arg(status));
        return;
    }
    Log::line(QStringLiteral("✅ Global hotkey Ctrl+Shift+2 registered successfully"));
    m_eventHandler = connect(&m_hotKey, &X11HotKey::pressed, &GlobalHotkeyManager::hotKeyEventHandler);
}

void GlobalHotkeyManager::unregisterGlobalHotkey()
{
    if (m_hotKey.isRegistered()) {
        m_hotKey.unregisterHotKey();
        Log::line(QStringLiteral("🗑️ Unregistered previous hotkey"));
    }
    if (m_eventHandler) {
        disconnect(m_eventHandler);
        m_eventHandler = {};
    }
}

void GlobalHotkeyManager::hotKeyEventHandler()
{
    QTimer::singleShot(0, &shared(), [] { shared().handleHotkeyPressed(); });
}

void GlobalHotkeyManager::handleHotkeyPressed()
{
    Log::line(QStringLiteral("🔥 Global hotkey pressed! Starting screenshot..."));
    Q_EMIT hotkeyPressed();
    ScreenshotManager::shared().startScreenshotSelection();
}

quint32 fourCharCode(QStringView text)
{
    Q_ASSERT(text.toUcs4().size() == 4);
    quint32 code = 0;
    for (const char byte : text.toUtf8())
        code = (code << 8) + quint8(byte);
    return code;
}
