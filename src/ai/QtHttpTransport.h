#pragma once

#include "HttpTransport.h"

// HTTP through Qt Network. Every session has a network access manager of its
// own (and so its own connections), talks to servers directly, never through
// a proxy, and checks every certificate: nothing is ever ignored.
class QtHttpTransport : public HttpTransport
{
public:
    std::unique_ptr<HttpSession> createSession(const HttpSessionConfiguration &configuration) override;
};
