// defaults-writer <file> <key> <bytes>: stores data under the key again and
// again, alternating between <bytes> bytes of 'a' and <bytes> + 4097 bytes of
// 'b', and prints "writing" before each write and "saved" after it, until it
// is killed. Tests kill it in the middle of a write.

#include "platform/UserDefaults.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4)
        return 2;
    UserDefaults defaults(arguments.at(1));
    const qsizetype size = arguments.at(3).toLongLong();
    const QByteArray values[] = { QByteArray(size, 'a'), QByteArray(size + 4097, 'b') };
    for (int i = 0;; i = 1 - i) {
        std::puts("writing");
        std::fflush(stdout);
        if (!defaults.setData(arguments.at(2), values[i]))
            return 1;
        std::puts("saved");
        std::fflush(stdout);
    }
}
