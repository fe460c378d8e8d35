// The hot key against a real X server: presses come from xdotool through the
// server's test extension, exactly as from a keyboard.

#include "platform/X11HotKey.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr quint16 controlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;

void xdotool(const QStringList &arguments)
{
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0)
        << arguments.join(' ').toStdString();
}

// Types each space-separated combination in turn.
void press(const QString &keys)
{
    xdotool(QStringList { QStringLiteral("key") } + keys.split(QLatin1Char(' ')));
}

// Another program on the same display, with a connection of its own.
class OtherClient
{
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t *keycodes = xcb_key_symbols_get_keycode(symbols, X11HotKey::Keysym2);
        m_keycode2 = keycodes ? keycodes[0] : 0;
        std::free(keycodes);
        xcb_key_symbols_free(symbols);
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    xcb_keycode_t keycode2() const { return m_keycode2; }

    // The X error code of grabbing the "2" key with these modifiers, or 0.
    int grab(quint16 modifiers)
    {
        xcb_generic_error_t *error = xcb_request_check(m_connection,
            xcb_grab_key_checked(
                m_connection, 1, m_root, modifiers, m_keycode2, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }

    void ungrab(quint16 modifiers)
    {
        xcb_ungrab_key(m_connection, m_keycode2, m_root, modifiers);
        xcb_flush(m_connection);
    }

    // True when no other program holds any grab of the "2" key: a grab with
    // every modifier combination at once succeeds only then.
    bool keyIsFree()
    {
        if (grab(XCB_MOD_MASK_ANY) != 0)
            return false;
        ungrab(XCB_MOD_MASK_ANY);
        return true;
    }

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
    xcb_keycode_t m_keycode2 = 0;
};

// Counts the key presses of one key that reach the application, whether or
// not the hot key lets them through.
class KeyPressCounter : public QAbstractNativeEventFilter
{
public:
    KeyPressCounter() { QCoreApplication::instance()->installNativeEventFilter(this); }
    ~KeyPressCounter() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & ~0x80) == XCB_KEY_PRESS)
            ++presses;
        return false;
    }

    int presses = 0;
};

class X11HotKeyTest : public ::testing::Test
{
protected:
    // Types the keys and tells how many presses the hot key announced: waits
    // up to `timeoutMs` for the first and a little longer for any more.
    int pressesAfter(const QString &keys, int timeoutMs = 3000)
    {
        const int before = int(m_pressed.count());
        press(keys);
        m_pressed.wait(timeoutMs);
        QTest::qWait(300);
        return int(m_pressed.count()) - before;
    }

    X11HotKey m_hotKey;
    QSignalSpy m_pressed { &m_hotKey, &X11HotKey::pressed };
};

} // namespace

TEST_F(X11HotKeyTest, PressArrivesOnceWhateverTheLocks)
{
    ASSERT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::Success);
    EXPECT_TRUE(m_hotKey.isRegistered());

    EXPECT_EQ(pressesAfter(QStringLiteral("ctrl+shift+2")), 1);
    press(QStringLiteral("Num_Lock"));
    EXPECT_EQ(pressesAfter(QStringLiteral("ctrl+shift+2")), 1) << "Num Lock on";
    press(QStringLiteral("Caps_Lock"));
    EXPECT_EQ(pressesAfter(QStringLiteral("ctrl+shift+2")), 1) << "Num Lock and Caps Lock on";
    press(QStringLiteral("Num_Lock"));
    EXPECT_EQ(pressesAfter(QStringLiteral("ctrl+shift+2")), 1) << "Caps Lock on";
}

TEST_F(X11HotKeyTest, OtherCombinationsOfTheKeyDoNothing)
{
    ASSERT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::Success);
    // The server delivers events in order: once the hot key's own press is
    // in, the other combinations before it have been seen too.
    EXPECT_EQ(pressesAfter(QStringLiteral("2 ctrl+2 shift+2 ctrl+alt+shift+2 ctrl+shift+2")), 1);
}

TEST_F(X11HotKeyTest, HoldingTheKeysDownIsOnePress)
{
    ASSERT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::Success);
    KeyPressCounter counter;

    xdotool({ QStringLiteral("keydown"), QStringLiteral("ctrl+shift+2") });
    QTest::qWait(1500);
    xdotool({ QStringLiteral("keyup"), QStringLiteral("2") });
    xdotool({ QStringLiteral("keyup"), QStringLiteral("ctrl+shift") });
    QTest::qWait(300);

    ASSERT_GT(counter.presses, 1) << "the server repeats a held key";
    EXPECT_EQ(m_pressed.count(), 1);

    EXPECT_EQ(pressesAfter(QStringLiteral("ctrl+shift+2")), 1) << "the next press after the release counts";
}

// Servers that report auto-repeat without a release before each repeat, and
// releases that go to another program, are rare enough that only events made
// up here show them.
TEST_F(X11HotKeyTest, RepeatsWithoutReleasesAreOnePress)
{
    ASSERT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::Success);
    const xcb_keycode_t keycode = OtherClient().keycode2();
    const auto deliver = [&](quint8 type, quint32 time) {
        xcb_key_press_event_t event = {};
        event.response_type = type;
        event.detail = keycode;
        event.time = time;
        event.state = controlShift;
        return m_hotKey.nativeEventFilter("xcb_generic_event_t", &event, nullptr);
    };

    EXPECT_TRUE(deliver(XCB_KEY_PRESS, 10000));
    EXPECT_TRUE(deliver(XCB_KEY_PRESS, 10500));
    EXPECT_TRUE(deliver(XCB_KEY_PRESS, 10530));
    EXPECT_TRUE(deliver(XCB_KEY_RELEASE, 10550));
    EXPECT_TRUE(deliver(XCB_KEY_PRESS, 10700));
    // Held since 10700 as far as the application knows, but the release went
    // elsewhere: a press long after is a new one.
    EXPECT_TRUE(deliver(XCB_KEY_PRESS, 20000));
    QTest::qWait(50);
    EXPECT_EQ(m_pressed.count(), 3);
}

TEST_F(X11HotKeyTest, RegisteringAgainKeepsOneRegistration)
{
    ASSERT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::Success);
    ASSERT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::Success);
    EXPECT_EQ(pressesAfter(QStringLiteral("ctrl+shift+2")), 1);
}

TEST_F(X11HotKeyTest, KeyHeldByAnotherProgramIsRefusedAndNothingStaysGrabbed)
{
    OtherClient other;
    // The other program holds only the Caps Lock variant, so the plain and
    // Num Lock variants of ours are granted before the refusal is known.
    ASSERT_EQ(other.grab(controlShift | XCB_MOD_MASK_LOCK), 0);

    EXPECT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::BadAccess);
    EXPECT_FALSE(m_hotKey.isRegistered());
    EXPECT_EQ(pressesAfter(QStringLiteral("ctrl+shift+2"), 1000), 0);

    other.ungrab(controlShift | XCB_MOD_MASK_LOCK);
    EXPECT_TRUE(other.keyIsFree());
}

TEST_F(X11HotKeyTest, UnregisteringReleasesTheKeyAndIsHarmlessWhenRepeated)
{
    OtherClient other;
    m_hotKey.unregisterHotKey(); // nothing registered yet
    ASSERT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::Success);
    EXPECT_FALSE(other.keyIsFree());

    m_hotKey.unregisterHotKey();
    m_hotKey.unregisterHotKey();

    EXPECT_FALSE(m_hotKey.isRegistered());
    EXPECT_TRUE(other.keyIsFree());
    EXPECT_EQ(pressesAfter(QStringLiteral("ctrl+shift+2"), 1000), 0);
}

TEST_F(X11HotKeyTest, DestroyingTheHotKeyReleasesTheKey)
{
    OtherClient other;
    {
        X11HotKey hotKey;
        ASSERT_EQ(hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
            X11HotKey::Success);
        EXPECT_FALSE(other.keyIsFree());
    }
    EXPECT_TRUE(other.keyIsFree());
}

TEST_F(X11HotKeyTest, KeyMissingFromTheKeyboardIsReported)
{
    const quint32 keysymNotOnAnyKeyboard = 0x10fffff; // the last Unicode keysym
    EXPECT_EQ(
        m_hotKey.registerHotKey(keysymNotOnAnyKeyboard, Qt::ControlModifier), X11HotKey::KeyNotOnKeyboard);
    EXPECT_FALSE(m_hotKey.isRegistered());
}
