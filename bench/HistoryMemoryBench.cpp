// history_memory_bench: the resident memory of the running program with a
// long history of saved conversations, each with a screenshot of about 1 MB,
// after the tray panel and the chat window's sidebar were each opened once;
// with it the tray panel's first click, the sidebar's first frame and one
// save among them.
//
// For 100 and for 1,000 conversations a defaults file is prepared, then a
// new process starts the application on it as the program does, waits for
// the list to load, clicks the tray icon, opens the chat window with its
// sidebar, lets the thumbnails of the rows on screen come in, reads its
// resident set from /proc/self/status, and saves one more conversation.
//
//   history_memory_bench                     prepares and measures both sizes
//   history_memory_bench --seed <n>          (child) writes n conversations
//   history_memory_bench --run <n>           (child) one measured run

#include "ScreenLikeImage.h"
#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "app/MenuBarWindow.h"
#include "app/PexiloApp.h"
#include "chat/ChatWindowManager.h"
#include "platform/ConversationTable.h"
#include "platform/ImageData.h"
#include "platform/Log.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "store/ConversationJson.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

namespace {

struct Size
{
    int conversations;
    double residentTargetMb;
};
constexpr Size sizes[] = { { 100, 80 }, { 1000, 100 } };
const int onlySize = qEnvironmentVariableIntValue("HISTORY_BENCH_ONLY");
constexpr double firstClickTargetMs = 150;
constexpr double firstFrameTargetMs = 300;
constexpr double saveTargetMs = 20;
constexpr int distinctScreenshots = 8;

QTextStream out(stdout);

QImage screenshot(int index)
{
    QImage image = screenLikeImage(2560, 1440);
    QPainter painter(&image);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 40, QFont::Bold));
    painter.drawText(QRect(60, 60, 800, 80), QStringLiteral("Screenshot %1").arg(index));
    return image;
}

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

int seed(int count)
{
    Log::setSink([](const QString &) {});
    SettingsKeys::hasCompletedOnboarding.write(UserDefaults::standard(), true);
    QList<QByteArray> pngs;
    for (int index = 0; index < distinctScreenshots; ++index)
        pngs.append(ImageData::pngData(screenshot(index)));
    ConversationTable table(UserDefaults::standard());
    QList<ConversationRow> batch;
    qint64 pngBytes = 0;
    for (int index = count - 1; index >= 0; --index) {
        const QDateTime when = QDateTime::currentDateTimeUtc().addSecs(-3600 * index);
        const Conversation conversation(QStringLiteral("What is on screen number %1?").arg(index), when,
            std::nullopt,
            { SavedMessage(QStringLiteral("What is on screen number %1?").arg(index), true, when),
                SavedMessage(QStringLiteral("The screenshot shows a table. ").repeated(20), false, when) });
        const QByteArray &png = pngs.at(index % distinctScreenshots);
        pngBytes += png.size();
        batch.append({ conversation.id().toString(QUuid::WithoutBraces).toUpper(), std::nullopt,
            *ConversationJson::encodeRecord(conversation), png, true });
        if (batch.size() == 50 || index == 0) {
            if (!table.write(batch, {}))
                return 3;
            batch.clear();
        }
    }
    out << "PNG " << pngBytes / count << '\n';
    return 0;
}

// Notes when the chat window's first paint pass has finished.
class FirstFrame : public QObject
{
public:
    qint64 at = -1;
    QElapsedTimer clock;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (at < 0 && !m_seen && event->type() == QEvent::Paint
            && watched == ChatWindowManager::shared().chatWindow()) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] { at = clock.elapsed(); });
        }
        return false;
    }

private:
    bool m_seen = false;
};

int run(int count)
{
    Log::setSink([](const QString &) {});
    PexiloApp pexilo;
    pexilo.appDelegate().applicationDidFinishLaunching();
    pexilo.applicationDidStart();
    ConversationManager &store = ConversationManager::shared();
    if (!QTest::qWaitFor([&] { return store.conversations().size() == count; }, 60000))
        return 4;

    QElapsedTimer clicked;
    clicked.start();
    pexilo.toggleMenuBarWindow();
    pexilo.menuBarWindow().repaint();
    out << "FIRST_CLICK " << clicked.nsecsElapsed() / 1e6 << '\n';
    QTest::qWait(1000);
    pexilo.menuBarWindow().close();

    if (!store.isSidebarExpanded())
        store.toggleSidebar();
    FirstFrame frame;
    qApp->installEventFilter(&frame);
    frame.clock.start();
    ChatWindowManager::shared().openChatWindowWithHistory(QImage(), {});
    (void)QTest::qWaitFor([&] { return frame.at >= 0; }, 10000);
    qApp->removeEventFilter(&frame);
    out << "FIRST_FRAME " << frame.at << '\n';
    // The thumbnails of the rows on screen come in meanwhile.
    QTest::qWait(3000);
    out << "RESIDENT " << residentMb() << '\n';

    const QImage image = screenshot(count);
    CurrentConversation &current = CurrentConversation::shared();
    current.start(image);
    AIManager::shared().setResponses({ { QStringLiteral("A table."), QDateTime::currentDateTimeUtc(),
        std::nullopt, QStringLiteral("What is this?") } });
    current.screenshotData(); // encoded with the question's request, before the save
    QElapsedTimer saving;
    saving.start();
    store.saveCurrentConversation();
    out << "SAVE " << saving.nsecsElapsed() / 1e6 << '\n';
    out << "STORED " << (store.isSaved(store.conversations().first().id()) ? 1 : 0) << '\n';
    return 0;
}

QProcessEnvironment childEnvironment(const QString &config)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    return environment;
}

QHash<QString, double> runChild(const QString &config, const QStringList &arguments, int *status)
{
    QProcess child;
    child.setProcessEnvironment(childEnvironment(config));
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    *status = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    QHash<QString, double> figures;
    for (const QString &line : QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() == 2)
            figures.insert(fields.first(), fields.last().toDouble());
    }
    return figures;
}

int drive()
{
    bool met = true;
    for (const Size &size : sizes) {
        if (onlySize && size.conversations != onlySize)
            continue;
        QTemporaryDir config;
        int status = 0;
        out << "Saving " << size.conversations << " conversations...\n" << Qt::flush;
        const QHash<QString, double> seeded = runChild(
            config.path(), { QStringLiteral("--seed"), QString::number(size.conversations) }, &status);
        if (status != 0) {
            out << "seeding failed with status " << status << '\n';
            return 1;
        }
        const QString file = config.filePath(QStringLiteral("Pexilo/defaults.sqlite3"));
        out << "  " << seeded.value(QStringLiteral("PNG")) / 1e6 << " MB of PNG each; defaults file "
            << QFileInfo(file).size() / (1024 * 1024) << " MiB\n"
            << Qt::flush;
        const QHash<QString, double> figures = runChild(
            config.path(), { QStringLiteral("--run"), QString::number(size.conversations) }, &status);
        if (status != 0) {
            out << "the run failed with status " << status << '\n';
            return 1;
        }
        const double resident = figures.value(QStringLiteral("RESIDENT"));
        const double click = figures.value(QStringLiteral("FIRST_CLICK"));
        const double frame = figures.value(QStringLiteral("FIRST_FRAME"));
        const double save = figures.value(QStringLiteral("SAVE"));
        const bool sizeMet = resident <= size.residentTargetMb && click <= firstClickTargetMs
            && frame >= 0 && frame <= firstFrameTargetMs && save < saveTargetMs
            && figures.value(QStringLiteral("STORED")) == 1;
        out << size.conversations << " conversations: resident " << resident << " MB (target "
            << size.residentTargetMb << "), tray panel's first click " << click << " ms (target "
            << firstClickTargetMs << "), sidebar's first frame " << frame << " ms (target " << firstFrameTargetMs
            << "), a save " << save << " ms (target < " << saveTargetMs << "): "
            << (sizeMet ? "met" : "MISSED") << '\n'
            << Qt::flush;
        met = met && sizeMet;
    }
    return met ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == QLatin1String("--seed"))
        return seed(arguments.value(2).toInt());
    if (arguments.value(1) == QLatin1String("--run"))
        return run(arguments.value(2).toInt());
    return drive();
}
