#pragma once

#include "platform/ScreenCapturePermission.h"

// A screen-capture permission that the test grants or refuses, in place of
// the session's for as long as it lives. It counts how often it was asked.
class FakeScreenCapturePermission
{
public:
    explicit FakeScreenCapturePermission(bool granted);
    ~FakeScreenCapturePermission();
    FakeScreenCapturePermission(const FakeScreenCapturePermission &) = delete;
    FakeScreenCapturePermission &operator=(const FakeScreenCapturePermission &) = delete;

    // Whether access is granted now; the test may change it at any time, as
    // the user would in the system's settings.
    bool granted;
    // Whether a request grants access (as a user who agrees to the prompt).
    bool grantOnRequest = false;

    int preflightCount = 0;
    int requestCount = 0;

private:
    ScreenCapturePermission::Source m_previous;
};
