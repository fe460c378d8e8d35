// store-writer: saves and deletes conversations through the conversation
// store, as the application does, in the defaults file under
// $XDG_CONFIG_HOME, for tests of several programs or of a program killed
// while it writes.
//
//   store-writer save <name> <count>   saves <count> conversations titled
//                                      "<name> 00", "<name> 01", ...
//   store-writer churn <name>          saves and deletes until it is killed
//
// Each conversation has the same screenshot of about a megabyte. On its
// standard output it prints "OP loaded" once the list is loaded, then for
// each operation "OP save <title>" or "OP delete <title>" before it begins
// and "OP done" once it has finished, each line flushed at once.

#include "ai/AIManager.h"
#include "platform/ImageData.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"

#include <QGuiApplication>
#include <QRandomGenerator>

#include <cstdio>

namespace {

void report(const QString &line)
{
    std::fputs(("OP " + line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void save(const QImage &screenshot, const QString &title)
{
    report(QStringLiteral("save ") + title);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    CurrentConversation &current = ConversationManager::shared().current();
    current.start(screenshot);
    AIManager::shared().setResponses(
        { AIResponse { QStringLiteral("Answer to ") + title, now, std::nullopt, title } });
    current.save();
    report(QStringLiteral("done"));
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 3)
        return 2;
    const QString name = arguments.at(2);

    QImage screenshot(600, 440, QImage::Format_RGB32);
    QRandomGenerator(7).fillRange(
        reinterpret_cast<quint32 *>(screenshot.bits()), screenshot.sizeInBytes() / 4);
    ImageData::pngData(screenshot); // encoded once, here

    ConversationManager &manager = ConversationManager::shared();
    report(QStringLiteral("loaded"));

    if (arguments.at(1) == QLatin1String("save") && arguments.size() == 4) {
        const int count = arguments.at(3).toInt();
        for (int i = 0; i < count; ++i)
            save(screenshot, QStringLiteral("%1 %2").arg(name).arg(i, 2, 10, QLatin1Char('0')));
        return 0;
    }
    if (arguments.at(1) == QLatin1String("churn")) {
        for (int i = 0;; ++i) {
            if (i % 3 == 2 && !manager.conversations().isEmpty()) {
                const Conversation oldest = manager.conversations().last();
                report(QStringLiteral("delete ") + oldest.title());
                manager.deleteConversation(oldest);
                report(QStringLiteral("done"));
            } else {
                save(screenshot, QStringLiteral("%1 %2").arg(name).arg(i, 3, 10, QLatin1Char('0')));
            }
        }
    }
    return 2;
}
