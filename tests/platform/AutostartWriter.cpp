// autostart-writer <own path>: replaces its own file while it runs, as an
// upgrade replaces an installed program (a new file renamed over the old
// one), then writes the autostart entry. Prints the error when it cannot.
#include "platform/AutostartEntry.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString self = QString::fromLocal8Bit(argv[1]);
    const QString fresh = self + QStringLiteral(".new");
    if (!QFile::copy(self, fresh)
        || std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(self).constData()) != 0) {
        std::fprintf(stderr, "cannot replace %s\n", argv[1]);
        return 2;
    }
    QString error;
    if (!AutostartEntry::install(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
