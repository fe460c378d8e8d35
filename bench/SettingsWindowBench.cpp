// settings_window_bench: how long the settings window takes to open, from
// the call that opens it (the tray panel's Settings command) to its first
// frame painted and handed to the window system.
//
// Each run is a new process that goes the user's road: the application
// starts and its tray panel is shown, then Settings opens for the first time
// and pays for everything only it needs (its symbols, controls, style); the
// same process then opens the window twice more, as the user does when they
// come back to it. A second set of runs opens the window in a bare process
// that has shown nothing before, for comparison: that opening also pays for
// what the application's start and the tray panel load (the font database,
// the defaults file). Runs on whatever platform Qt is given: under xvfb-run
// with QT_QPA_PLATFORM=xcb for the figures of a real X server.

#include "app/AppDelegate.h"
#include "app/PexiloApp.h"
#include "platform/Log.h"
#include "settings/SettingsView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

constexpr int runs = 7;
constexpr int opensPerRun = 3;
constexpr double targetMs = 150;

QTextStream out(stdout);

// Notes when the first paint pass of the window has run: the pass is one
// event, and a zero timer started inside it fires once it and the flush to
// the window system are done.
class FirstFrame : public QObject
{
public:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen && window && object->isWidgetType()
            && static_cast<QWidget *>(object)->window() == window) {
            m_seen = true;
            QTimer::singleShot(0, [this] { elapsedMs = timer.nsecsElapsed() / 1e6; });
        }
        return false;
    }

    void start()
    {
        m_seen = false;
        elapsedMs = -1;
        window = nullptr;
        timer.start();
    }

    QElapsedTimer timer;
    QWidget *window = nullptr;
    double elapsedMs = -1;

private:
    bool m_seen = false;
};

void waitForFrame(const FirstFrame &frame)
{
    QElapsedTimer deadline;
    deadline.start();
    while (frame.elapsedMs < 0 && deadline.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// One process: opens the window opensPerRun times and prints the times.
int measureOnce(int argc, char *argv[], bool bare)
{
    QApplication application(argc, argv);
    // Standard output carries the times alone.
    Log::setSink([](const QString &) {});
    FirstFrame frame;
    application.installEventFilter(&frame);

    std::unique_ptr<PexiloApp> app;
    std::unique_ptr<AppDelegate> bareDelegate;
    if (bare) {
        bareDelegate = std::make_unique<AppDelegate>();
    } else {
        app = std::make_unique<PexiloApp>();
        frame.start();
        app->toggleMenuBarWindow();
        frame.window = &app->menuBarWindow();
        waitForFrame(frame);
        app->toggleMenuBarWindow();
        QCoreApplication::processEvents();
    }
    AppDelegate &delegate = bare ? *bareDelegate : app->appDelegate();

    for (int open = 0; open < opensPerRun; ++open) {
        frame.start();
        delegate.showSettingsWindow();
        frame.window = delegate.settingsWindow();
        waitForFrame(frame);
        out << frame.elapsedMs << (open + 1 < opensPerRun ? " " : "\n");
        delegate.settingsWindow()->close();
        QCoreApplication::processEvents();
    }
    out.flush();
    return 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && QByteArray(argv[1]) == "--once")
        return measureOnce(argc, argv, QByteArray(argv[2]) == "bare");

    QList<double> first;
    QList<double> later;
    QList<double> bareFirst;
    for (int run = 0; run < 2 * runs; ++run) {
        const bool bare = run >= runs;
        // The settings of a new user, in a folder of each run's own.
        QTemporaryDir config;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QString::fromLocal8Bit(argv[0]),
            { QStringLiteral("--once"), bare ? QStringLiteral("bare") : QStringLiteral("road") });
        if (!child.waitForFinished(60000) || child.exitCode() != 0) {
            out << "run " << run << " failed\n";
            return 1;
        }
        const QList<QByteArray> times = child.readAllStandardOutput().trimmed().split(' ');
        if (times.size() != opensPerRun || times.first().toDouble() < 0) {
            out << "run " << run << " did not paint\n";
            return 1;
        }
        if (bare) {
            bareFirst.append(times.first().toDouble());
            continue;
        }
        first.append(times.first().toDouble());
        for (qsizetype index = 1; index < times.size(); ++index)
            later.append(times.at(index).toDouble());
    }

    const auto report = [](const char *what, const QList<double> &times) {
        out << what << ": median " << median(times) << " ms, fastest "
            << *std::min_element(times.cbegin(), times.cend()) << " ms, slowest "
            << *std::max_element(times.cbegin(), times.cend()) << " ms\n";
    };
    out << "settings window, call to first frame, " << runs << " processes (target " << targetMs << " ms)\n";
    report("first opening, after the tray panel", first);
    report("later openings", later);
    report("first opening in a bare process", bareFirst);
    const bool met = median(first) < targetMs;
    out << (met ? "target met\n" : "target missed\n");
    return met ? 0 : 1;
}
