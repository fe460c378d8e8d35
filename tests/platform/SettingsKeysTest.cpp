#include "platform/SettingsKeys.h"

#include "platform/UserDefaults.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(SettingsKeysTest, AKeyReadsItsDefaultUntilAValueOfItsTypeIsStored)
{
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.sqlite3")));
    constexpr TextSettingKey text { "text"_L1, "fallback"_L1 };
    constexpr BoolSettingKey off { "off"_L1, false };
    constexpr BoolSettingKey on { "on"_L1, true };

    EXPECT_EQ(text.read(defaults), QStringLiteral("fallback"));
    EXPECT_FALSE(off.read(defaults));
    EXPECT_TRUE(on.read(defaults));

    // Stored values win, an empty text and a false included.
    ASSERT_TRUE(text.write(defaults, QString()));
    ASSERT_TRUE(off.write(defaults, true));
    ASSERT_TRUE(on.write(defaults, false));
    EXPECT_EQ(text.read(defaults), QString());
    EXPECT_TRUE(off.read(defaults));
    EXPECT_FALSE(on.read(defaults));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("text")), QString());
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("on")), QVariant(qlonglong(0)));

    // A value of another type reads as the default.
    ASSERT_TRUE(defaults.setData(QStringLiteral("text"), QByteArray("bytes")));
    EXPECT_EQ(text.read(defaults), QStringLiteral("fallback"));
}
