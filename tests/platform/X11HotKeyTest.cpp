// The hot key against a real X server: presses come from xdotool through the
// server's test extension, exactly as from a keyboard.

#include "platform/X11HotKey.h"

#include "support/OtherX11Client.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

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

xcb_connection_t *applicationConnection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Whether the server reports this program's repeated presses without a
// release before each; a setting of each X client, off by default.
void setDetectableAutoRepeat(bool on)
{
    xcb_connection_t *connection = applicationConnection();
    const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    std::free(xcb_xkb_use_extension_reply(connection, xcb_xkb_use_extension(connection, 1, 0), nullptr));
    std::free(xcb_xkb_per_client_flags_reply(connection,
        xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, on ? flag : 0, 0, 0, 0),
        nullptr));
}

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

// Both ways the server may report repeats: a release before each repeated
// press (what every client gets unless it asks otherwise), or none.
class X11HotKeyRepeatTest : public X11HotKeyTest, public ::testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        setDetectableAutoRepeat(GetParam());
        ASSERT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
            X11HotKey::Success);
    }
    void TearDown() override { setDetectableAutoRepeat(false); }
};

INSTANTIATE_TEST_SUITE_P(Reports, X11HotKeyRepeatTest, ::testing::Values(false, true),
    [](const ::testing::TestParamInfo<bool> &info) {
        return info.param ? "WithoutReleases" : "ReleaseBeforeEachRepeat";
    });

TEST_P(X11HotKeyRepeatTest, HoldingTheKeysDownIsOnePress)
{
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

// A press taken by a window of ours that holds the keyboard, which lets go
// as the press is handled (a selection closing for the next one): the
// release then goes to the program with the focus, and the hot key never
// sees it. Each of the next presses, 0.3 s apart, is still a press.
TEST_P(X11HotKeyRepeatTest, EveryPressCountsWhenItsReleaseWentToAnotherProgram)
{
    OtherX11Client other;
    other.takeFocus();
    QWidget window;
    window.setGeometry(0, 0, 200, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QObject::connect(&m_hotKey, &X11HotKey::pressed, &window, [&window] {
        window.windowHandle()->setKeyboardGrabEnabled(false);
        // Carried out by the server before this returns.
        xcb_connection_t *connection = applicationConnection();
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    });

    for (int press = 1; press <= 3; ++press) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.windowHandle()->setKeyboardGrabEnabled(true); }));
        xdotool({ QStringLiteral("keydown"), QStringLiteral("ctrl+shift+2") });
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_pressed.count() == press; }, 10000)) << "press " << press;
        xdotool({ QStringLiteral("keyup"), QStringLiteral("2") });
        xdotool({ QStringLiteral("keyup"), QStringLiteral("ctrl+shift") });
        QTest::qWait(300);
    }
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
    OtherX11Client other;
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
    OtherX11Client other;
    m_hotKey.unregisterHotKey(); // nothing registered yet
    ASSERT_EQ(m_hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
        X11HotKey::Success);
    EXPECT_FALSE(other.keyIsFree());

    m_hotKey.unregisterHotKey();
    m_hotKey.unregisterHotKey();

    EXPECT_FALSE(m_hotKey.isRegistered());
    EXPECT_TRUE(other.keyBecomesFree());
    EXPECT_EQ(pressesAfter(QStringLiteral("ctrl+shift+2"), 1000), 0);
}

TEST_F(X11HotKeyTest, DestroyingTheHotKeyReleasesTheKey)
{
    OtherX11Client other;
    {
        X11HotKey hotKey;
        ASSERT_EQ(hotKey.registerHotKey(X11HotKey::Keysym2, Qt::ControlModifier | Qt::ShiftModifier),
            X11HotKey::Success);
        EXPECT_FALSE(other.keyIsFree());
    }
    EXPECT_TRUE(other.keyBecomesFree());
}

TEST_F(X11HotKeyTest, KeyMissingFromTheKeyboardIsReported)
{
    const quint32 keysymNotOnAnyKeyboard = 0x10fffff; // the last Unicode keysym
    EXPECT_EQ(
        m_hotKey.registerHotKey(keysymNotOnAnyKeyboard, Qt::ControlModifier), X11HotKey::KeyNotOnKeyboard);
    EXPECT_FALSE(m_hotKey.isRegistered());
}
