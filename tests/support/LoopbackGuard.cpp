#include "LoopbackGuard.h"

#include "ScopedEndpoints.h"
#include "platform/NetworkEndpoints.h"

#include <QStringList>

namespace LoopbackGuard {

namespace {
class Listener : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo &) override { EXPECT_TRUE(endpointsOnLoopback()); }
    void OnTestEnd(const ::testing::TestInfo &) override { EXPECT_TRUE(endpointsOnLoopback()); }
};
} // namespace

bool isLoopback(const QUrl &url)
{
    return url.isValid() && url.host() == QLatin1String("127.0.0.1");
}

::testing::AssertionResult allOnLoopback(const QList<QUrl> &urls)
{
    QStringList elsewhere;
    for (const QUrl &url : urls) {
        if (!isLoopback(url))
            elsewhere.append(url.toString());
    }
    if (elsewhere.isEmpty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the program is pointed away from 127.0.0.1: "
                                         << elsewhere.join(QLatin1String(", ")).toStdString();
}

::testing::AssertionResult endpointsOnLoopback()
{
    return allOnLoopback(NetworkEndpoints::allContactedUrls());
}

void pointEndpointsAtClosedLoopbackPort()
{
    const QUrl closed(QStringLiteral("https://127.0.0.1:1"));
    ScopedEndpoints::set(closed, closed, { closed, closed, closed });
}

void installListener()
{
    // Appended last, so that its end-of-test check runs before the printer
    // reports the test (end events go to listeners in reverse order).
    ::testing::UnitTest::GetInstance()->listeners().Append(new Listener);
}

} // namespace LoopbackGuard
