// The main program of every unit test: a QApplication on the offscreen
// platform (unless the caller chose another), fresh configuration and runtime
// folders for this process, and the network pointed at loopback only.

#include "LoopbackGuard.h"
#include "StandardStoreReset.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gmock/gmock.h>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QTemporaryDir configHome;
    QTemporaryDir runtimeDir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    LoopbackGuard::pointEndpointsAtClosedLoopbackPort();

    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    LoopbackGuard::installListener();
    ::testing::UnitTest::GetInstance()->listeners().Append(new StandardStoreReset);
    return RUN_ALL_TESTS();
}
