#pragma once

#include "platform/AutostartEntry.h"
#include "platform/UserDefaults.h"
#include "ui/AnimatedValue.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace OnboardingTestSupport {

// The keys that completing onboarding writes, in the order it writes them.
inline const QStringList onboardingKeys = { QStringLiteral("hasCompletedOnboarding"),
    QStringLiteral("userName"), QStringLiteral("preferredAIModel"), QStringLiteral("autoLaunchAtLogin"),
    QStringLiteral("showKeyboardShortcuts"), QStringLiteral("keyboardShortcut") };

inline bool noOnboardingKeyStored()
{
    return std::none_of(onboardingKeys.cbegin(), onboardingKeys.cend(),
        [](const QString &key) { return UserDefaults::standard().contains(key); });
}

// Every case starts as a first start does: nothing of onboarding stored and
// no autostart entry, whatever the cases before it in the same process left.
// This happens before the members of a derived fixture are made, so that an
// onboarding manager among them reads a first start. Animations finish at
// once unless a case asks for them.
class FirstStart : public ::testing::Test
{
protected:
    FirstStart()
    {
        for (const QString &key : onboardingKeys)
            EXPECT_TRUE(UserDefaults::standard().removeObject(key));
        EXPECT_TRUE(AutostartEntry::remove());
        AnimatedValue::setFinishAtOnce(true);
    }
    ~FirstStart() override
    {
        AnimatedValue::setFinishAtOnce(false);
        AutostartEntry::remove();
    }
};

} // namespace OnboardingTestSupport
