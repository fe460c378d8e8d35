#pragma once

#include <QList>
#include <QUrl>

#include <gtest/gtest.h>

// Tests talk to 127.0.0.1 and nowhere else. The guard checks every address
// the program would contact (the endpoints with their environment overrides)
// and fails the running test when one of them leaves loopback.
namespace LoopbackGuard {

bool isLoopback(const QUrl &url);

// Succeeds when every address in the list is on 127.0.0.1; the failure
// message names the ones that are not.
::testing::AssertionResult allOnLoopback(const QList<QUrl> &urls);

// The same for every address the program may contact right now.
::testing::AssertionResult endpointsOnLoopback();

// Points every endpoint at a closed port on 127.0.0.1, so that a test that
// sets up no service of its own reaches nothing at all.
void pointEndpointsAtClosedLoopbackPort();

// Registers a listener that checks the endpoints when each test starts and
// ends, and fails the test when they are not all on loopback.
void installListener();

} // namespace LoopbackGuard
