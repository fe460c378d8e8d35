#pragma once

#include <QObject>

// The application-wide events object: announcements that any part of the
// program can post and any other part can follow, without knowing each other.
class AppEvents : public QObject
{
    Q_OBJECT

public:
    static AppEvents &instance();

    void postOnboardingCompleted() { Q_EMIT onboardingCompleted(); }
    void postSettingsSaved() { Q_EMIT settingsSaved(); }

Q_SIGNALS:
    void onboardingCompleted();
    // The user's settings have just been written to the user defaults.
    void settingsSaved();

private:
    AppEvents() = default;
};
