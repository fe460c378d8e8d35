// defaults-dump <file> <key>...: prints "<key>=<kind>:<value>" for each key,
// where kind is string, bool (boolForKey), data (Base64) or absent.

#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2)
        return 2;
    UserDefaults defaults(arguments.at(1));
    QTextStream out(stdout);
    for (const QString &key : arguments.mid(2)) {
        out << key << '=';
        if (const auto text = defaults.stringForKey(key))
            out << "string:" << *text;
        else if (const auto data = defaults.dataForKey(key))
            out << "data:" << data->toBase64();
        else if (defaults.contains(key))
            out << "bool:" << (defaults.boolForKey(key) ? "true" : "false");
        else
            out << "absent";
        out << '\n';
    }
    return 0;
}
