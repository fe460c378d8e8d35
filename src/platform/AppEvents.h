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

Q_SIGNALS:
    void onboardingCompleted();

private:
    AppEvents() = default;
};
