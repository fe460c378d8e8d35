#include "FakeScreenCapturePermission.h"

FakeScreenCapturePermission::FakeScreenCapturePermission(bool granted)
    : granted(granted)
{
    m_previous = ScreenCapturePermission::setSource({ [this] {
                                                         ++preflightCount;
                                                         return this->granted;
                                                     },
        [this] {
            ++requestCount;
            if (grantOnRequest)
                this->granted = true;
            return this->granted;
        } });
}

FakeScreenCapturePermission::~FakeScreenCapturePermission()
{
    ScreenCapturePermission::setSource(m_previous);
}
