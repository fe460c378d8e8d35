// tray_panel_bench: how long the first click on the tray icon takes to show
// the panel, and the longest stretch the GUI thread stays busy after
// start-up, with 100 saved conversations of a screenshot of about 1 MB each.
//
// Each run is a new process on a copy of a prepared defaults file. It starts
// the application as the program does (without the event loop's first turn
// counted), then "clicks" the tray icon at a given time after start-up: early,
// while the saved conversations may still be loading, or later. A click is
// timed from the click to the panel drawn on screen; a second click a second
// later shows what a warm panel costs. A timer that should fire every
// millisecond measures how long the GUI thread was away between ticks, both
// by the clock and by the processor time the thread used meanwhile: on a
// busy machine the clock also counts the time other programs had the
// processor.
//
//   tray_panel_bench               prepares the file and runs the measurements
//   tray_panel_bench --seed        (child) saves the conversations
//   tray_panel_bench --run <ms>    (child) one run with the click at <ms>

#include "ScreenLikeImage.h"
#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "app/MenuBarWindow.h"
#include "app/PexiloApp.h"
#include "platform/ImageData.h"
#include "platform/Log.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <ctime>

namespace {

constexpr int conversationCount = 100;
constexpr int runs = 5;
constexpr int earlyClickMs = 100;
constexpr int lateClickMs = 2000;
constexpr int secondClickAfterMs = 1000;
constexpr int measuredAfterClickMs = 2500;
constexpr qint64 stallReportMs = 50;
// The targets: the panel on screen this soon after the first click, and the
// GUI thread never busy longer than this at a stretch after start-up.
constexpr double firstClickTargetMs = 150;
constexpr double busyTargetMs = 50;

QTextStream out(stdout);

// The processor time this thread has used, in milliseconds.
double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// A screen-like picture of about 1 MB as PNG, told apart by its number.
QImage screenshot(int index)
{
    QImage image = screenLikeImage(2560, 1440);
    QPainter painter(&image);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 40, QFont::Bold));
    painter.drawText(QRect(60, 60, 800, 80), QStringLiteral("Screenshot %1").arg(index));
    return image;
}

int seed()
{
    Log::setSink([](const QString &) {});
    SettingsKeys::hasCompletedOnboarding.write(UserDefaults::standard(), true);
    AppWiring::install();
    qsizetype pngBytes = 0;
    for (int index = conversationCount - 1; index >= 0; --index) {
        const QImage image = screenshot(index);
        pngBytes += ImageData::pngData(image).size();
        const QDateTime when = QDateTime::currentDateTimeUtc().addSecs(-3600 * index);
        CurrentConversation &current = CurrentConversation::shared();
        current.start(image);
        AIManager::shared().setResponses({ { QStringLiteral("The screenshot shows a table. ").repeated(20),
            when, std::nullopt, QStringLiteral("What is on screen number %1?").arg(index) } });
        ConversationManager::shared().saveCurrentConversation();
        current.end();
    }
    out << "PNG " << pngBytes << '\n';
    return ConversationManager::shared().conversations().size() == conversationCount ? 0 : 3;
}

int run(int clickAtMs)
{
    Log::setSink([](const QString &) {});
    QElapsedTimer sinceStart;
    sinceStart.start();
    PexiloApp pexilo;
    pexilo.appDelegate().applicationDidFinishLaunching();
    pexilo.applicationDidStart();
    out << "STARTUP " << sinceStart.nsecsElapsed() / 1e6 << '\n';

    qint64 longestStall = 0;
    qint64 longestStallAt = 0;
    double longestBusy = 0;
    double cpuAtTick = 0;
    qint64 listedAt = 0;
    QElapsedTimer sinceTick;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 away = sinceTick.restart();
        const double cpu = threadCpuMs();
        const double busy = cpu - cpuAtTick;
        longestBusy = std::max(longestBusy, busy);
        cpuAtTick = cpu;
        if (away > longestStall) {
            longestStall = away;
            longestStallAt = sinceStart.elapsed() - away;
        }
        if (!listedAt && pexilo.menuBarWindow().isVisible()
            && pexilo.menuBarWindow().findChild<QWidget *>(QStringLiteral("recentConversationRow")))
            listedAt = sinceStart.elapsed();
        if (away > stallReportMs)
            out << "STALL " << away << " at " << sinceStart.elapsed() - away << " busy " << busy << '\n';
    });
    QTimer::singleShot(0, [&] {
        sinceTick.start();
        cpuAtTick = threadCpuMs();
        ticks.start();
    });

    const auto click = [&](const char *name) {
        QElapsedTimer clicked;
        clicked.start();
        pexilo.toggleMenuBarWindow();
        pexilo.menuBarWindow().repaint();
        out << name << ' ' << clicked.nsecsElapsed() / 1e6 << '\n';
    };
    qint64 clickedAt = 0;
    QTimer::singleShot(clickAtMs, [&] {
        clickedAt = sinceStart.elapsed();
        click("FIRST_CLICK");
    });
    QTimer::singleShot(clickAtMs + secondClickAfterMs, [&] {
        pexilo.menuBarWindow().close();
        click("SECOND_CLICK");
    });
    QTimer::singleShot(
        clickAtMs + secondClickAfterMs + measuredAfterClickMs, [] { QCoreApplication::quit(); });
    QApplication::exec();
    out << "LONGEST_STALL " << longestStall << ' ' << longestStallAt << '\n';
    out << "LONGEST_BUSY " << longestBusy << '\n';
    out << "LISTED " << listedAt - clickedAt << '\n';
    out << "SHOWN " << ConversationManager::shared().conversations().size() << '\n';
    return 0;
}

// Names each event that holds the GUI thread longer than the report
// threshold, and what it went to.
class TimingApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_depth++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --m_depth;
            return handled;
        }
        QElapsedTimer timer;
        timer.start();
        const double cpu = threadCpuMs();
        const int type = event->type();
        const QByteArray name = receiver->metaObject()->className();
        const bool handled = QApplication::notify(receiver, event);
        --m_depth;
        if (timer.elapsed() > stallReportMs && qEnvironmentVariableIsSet("TRAY_PANEL_BENCH_EVENTS"))
            out << "EVENT " << timer.elapsed() << " ms cpu " << threadCpuMs() - cpu << " type " << type
                << " to " << name << '\n';
        return handled;
    }

private:
    int m_depth = 0;
};

// --- the driver -----------------------------------------------------------

struct Run
{
    double firstClick = 0;
    double secondClick = 0;
    double longestStall = 0;
    double longestStallAt = 0;
    double longestBusy = 0;
    double startUp = 0;
    double listed = 0;
    int conversations = 0;
};

QProcessEnvironment childEnvironment(const QString &config)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    return environment;
}

QList<Run> measure(const QString &preparedFile, int clickAtMs)
{
    QList<Run> results;
    for (int index = 0; index < runs; ++index) {
        QTemporaryDir config;
        QDir().mkpath(config.filePath(QStringLiteral("Pexilo")));
        // With the database's journal beside it, whatever it holds.
        for (const QFileInfo &file : QFileInfo(preparedFile).dir().entryInfoList(QDir::Files))
            QFile::copy(file.filePath(), config.filePath(QStringLiteral("Pexilo/") + file.fileName()));
        QProcess child;
        child.setProcessEnvironment(childEnvironment(config.path()));
        child.start(
            QCoreApplication::applicationFilePath(), { QStringLiteral("--run"), QString::number(clickAtMs) });
        child.waitForFinished(-1);
        if (child.exitCode() != 0) {
            out << "a run failed with status " << child.exitCode() << '\n';
            continue;
        }
        Run result;
        for (const QString &line :
            QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QStringList fields = line.split(QLatin1Char(' '));
            if (fields.first() == QLatin1String("FIRST_CLICK"))
                result.firstClick = fields.value(1).toDouble();
            else if (fields.first() == QLatin1String("SECOND_CLICK"))
                result.secondClick = fields.value(1).toDouble();
            else if (fields.first() == QLatin1String("LONGEST_STALL")) {
                result.longestStall = fields.value(1).toDouble();
                result.longestStallAt = fields.value(2).toDouble();
            } else if (fields.first() == QLatin1String("LONGEST_BUSY"))
                result.longestBusy = fields.value(1).toDouble();
            else if (fields.first() == QLatin1String("STARTUP"))
                result.startUp = fields.value(1).toDouble();
            else if (fields.first() == QLatin1String("LISTED"))
                result.listed = fields.value(1).toDouble();
            else if (fields.first() == QLatin1String("SHOWN"))
                result.conversations = fields.value(1).toInt();
            else if (fields.first() == QLatin1String("STALL"))
                out << "  stall of " << fields.value(1) << " ms at " << fields.value(3) << " ms, "
                    << fields.value(5) << " ms of it the thread's own processor time\n";
        }
        results.append(result);
    }
    return results;
}

// Prints the figures; false when a target is missed.
bool summarise(const QString &name, const QList<Run> &results)
{
    if (results.isEmpty())
        return false;
    const auto sorted = [&](double Run::*field) {
        QList<double> values;
        for (const Run &run : results)
            values.append(run.*field);
        std::sort(values.begin(), values.end());
        return values;
    };
    const QList<double> first = sorted(&Run::firstClick);
    const QList<double> second = sorted(&Run::secondClick);
    const QList<double> stalls = sorted(&Run::longestStall);
    const QList<double> busy = sorted(&Run::longestBusy);
    const QList<double> startUp = sorted(&Run::startUp);
    const QList<double> listed = sorted(&Run::listed);
    out << name << ": first click median " << first[first.size() / 2] << " ms (slowest " << first.last()
        << "), second click median " << second[second.size() / 2] << " ms; longest GUI-thread stall "
        << stalls.last() << " ms by the clock (median of runs " << stalls[stalls.size() / 2] << "), "
        << busy.last() << " ms of its own processor time (median " << busy[busy.size() / 2] << "); "
        << results.first().conversations << " conversations listed at the end\n"
        << "  start-up before the event loop runs, median " << startUp[startUp.size() / 2]
        << " ms; the two newest conversations on screen a median " << listed[listed.size() / 2]
        << " ms after the first click (slowest " << listed.last() << ")\n";
    return first.last() <= firstClickTargetMs && busy.last() <= busyTargetMs;
}

int drive()
{
    QTemporaryDir work;
    out << "Saving " << conversationCount << " conversations...\n" << Qt::flush;
    QProcess seeding;
    seeding.setProcessEnvironment(childEnvironment(work.path()));
    seeding.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--seed") });
    seeding.waitForFinished(-1);
    const QString output = QString::fromUtf8(seeding.readAllStandardOutput());
    if (seeding.exitCode() != 0) {
        out << "seeding failed with status " << seeding.exitCode() << '\n';
        return 1;
    }
    qint64 pngBytes = 0;
    for (const QString &line : output.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("PNG ")))
            pngBytes = line.mid(4).toLongLong();
    const QString prepared = work.filePath(QStringLiteral("Pexilo/defaults.sqlite3"));
    out << "Screenshots: " << pngBytes / conversationCount << " bytes of PNG each on average; defaults file "
        << QFileInfo(prepared).size() / (1024 * 1024) << " MiB\n"
        << Qt::flush;

    const QList<Run> early = measure(prepared, earlyClickMs);
    const QList<Run> late = measure(prepared, lateClickMs);
    out << "\n" << runs << " runs each, each in a new process:\n";
    const bool earlyMet = summarise(QStringLiteral("click %1 ms after start-up").arg(earlyClickMs), early);
    const bool lateMet = summarise(QStringLiteral("click %1 ms after start-up").arg(lateClickMs), late);
    out << "Targets: the first click's panel on screen within " << firstClickTargetMs
        << " ms, and no stretch of the GUI thread's processor time over " << busyTargetMs
        << " ms: " << (earlyMet && lateMet ? "met" : "MISSED") << '\n';
    return earlyMet && lateMet ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimingApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == QLatin1String("--seed"))
        return seed();
    if (arguments.value(1) == QLatin1String("--run"))
        return run(arguments.value(2).toInt());
    return drive();
}
