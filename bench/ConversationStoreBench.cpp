// conversation_store_bench: how long saving and loading the saved
// conversations take, and how much heap they need at their peak, with 100
// conversations of 6 messages and a PNG screenshot of about 1 MB each.
//
// Every save rewrites the whole list. Each measurement runs in a new process
// of its own, on a copy of a prepared defaults file:
//   save: 99 conversations are stored and loaded; the AI client holds three
//         answers and the chat window a screenshot whose PNG the AI client
//         has already made; saveCurrentConversation() adds the 100th and
//         rewrites all 100.
//   load: 100 conversations are stored; the first use of the conversation
//         store reads and decodes them, as at the start of the application.
// The heap is counted by standing in for malloc (HeapCounter): its peak
// during the operation is given above what the process held before it first
// used the store, so it includes the conversations in memory, and as a
// multiple of the PNG bytes of all 100 screenshots. Beside it, how far the
// resident set rose above its size just before the operation (VmHWM).

#include "HeapCounter.h"
#include "ai/AIManager.h"
#include "platform/ImageData.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "store/ConversationJson.h"
#include "store/ConversationManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

constexpr int conversationCount = 100;
constexpr int runs = 5;
// Noise does not compress: a 592 × 592 RGB image gives a PNG of about 1 MB.
constexpr int imageSide = 592;

QTextStream out(stdout);

QImage noiseImage(quint32 seed)
{
    QImage image(imageSide, imageSide, QImage::Format_RGB888);
    QRandomGenerator generator(seed);
    for (int y = 0; y < image.height(); ++y)
        generator.fillRange(reinterpret_cast<quint32 *>(image.scanLine(y)), image.bytesPerLine() / 4);
    return image;
}

QList<AIResponse> threeAnswers(const QDateTime &when)
{
    const QString answer = QStringLiteral("The screenshot shows a table of quarterly figures. ").repeated(16);
    return { { answer, when, QuickAction::summarize, QStringLiteral("Summarize") },
        { answer, when.addSecs(30), std::nullopt,
            QStringLiteral("Which quarter grew the most, and by how much?") },
        { answer, when.addSecs(60), std::nullopt, QStringLiteral("Put the figures in a list.") } };
}

Conversation conversation(int index)
{
    const QDateTime when = QDateTime::currentDateTimeUtc().addSecs(-3600 * index);
    QList<SavedMessage> messages;
    for (const AIResponse &response : threeAnswers(when)) {
        messages.append(SavedMessage(response.question, true, response.timestamp));
        messages.append(SavedMessage(response.content, false, response.timestamp));
    }
    return Conversation(
        QStringLiteral("Conversation %1").arg(index), when, ImageData::pngData(noiseImage(index)), messages);
}

// Starts the largest resident set (VmHWM) anew from the present one.
void resetResidentPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

// A field of /proc/self/status in KiB: VmRSS now, VmHWM the largest so far.
long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').first().toLong();
    return 0;
}

// --- the measured process -----------------------------------------------

struct Measurement
{
    double milliseconds = 0;
    double peakMiB = 0; // heap in use at the peak, above what the process held before the store was used
    double residentGrowthMiB = 0; // growth of the largest resident set during the operation
};

void report(const Measurement &m)
{
    out << "RESULT " << m.milliseconds << ' ' << m.peakMiB << ' ' << m.residentGrowthMiB << '\n';
}

constexpr double mib = 1024.0 * 1024.0;

// The heap the process held before it touched the store.
std::size_t baseline = 0;

void reportPart(const char *name, double milliseconds)
{
    out << "PART " << name << ' ' << milliseconds << '\n';
}

int measureSave()
{
    baseline = HeapCounter::inUse();
    ConversationManager &manager = ConversationManager::shared();
    if (manager.conversations().size() != conversationCount - 1)
        return 3;
    const QImage screenshot = noiseImage(conversationCount);
    ImageData::pngData(screenshot); // the AI client's request
    AIManager::shared().setResponses(threeAnswers(QDateTime::currentDateTimeUtc()));
    // The chat window holds the screenshot, as the store sees it through its hooks.
    ConversationHooks windows;
    windows.chatScreenshot = [screenshot] { return std::optional<QImage>(screenshot); };
    ConversationManager::setHooks(std::move(windows));

    // The save's log lines mark its steps: the screenshot's size is logged
    // once its PNG is there, the count once the list is written.
    QElapsedTimer timer;
    double pngDone = 0;
    double listWritten = 0;
    Log::setSink([&](const QString &line) {
        if (line.startsWith(QStringLiteral("💾 Screenshot data size")))
            pngDone = timer.nsecsElapsed() / 1e6;
        else if (line == QStringLiteral("💾 Saved %1 conversations").arg(conversationCount))
            listWritten = timer.nsecsElapsed() / 1e6;
    });

    resetResidentPeak();
    const long residentBefore = statusKiB("VmRSS");
    HeapCounter::resetPeak();
    timer.start();
    manager.saveCurrentConversation();
    const double milliseconds = timer.nsecsElapsed() / 1e6;
    if (manager.conversations().size() != conversationCount)
        return 4;
    report({ milliseconds, (HeapCounter::peak() - baseline) / mib,
        (statusKiB("VmHWM") - residentBefore) / 1024.0 });
    reportPart("screenshot-png", pngDone);
    reportPart("list-encoded-and-written", listWritten - pngDone);

    // The two steps of writing the list, once more in the same process.
    timer.start();
    const std::optional<QByteArray> json = ConversationJson::encode(manager.conversations());
    reportPart("again-encode", timer.nsecsElapsed() / 1e6);
    timer.start();
    const bool written
        = json && UserDefaults::standard().setData(QStringLiteral("SavedConversations"), *json);
    reportPart("again-write", timer.nsecsElapsed() / 1e6);
    return written ? 0 : 5;
}

int measureLoad()
{
    baseline = HeapCounter::inUse();
    resetResidentPeak();
    const long residentBefore = statusKiB("VmRSS");
    HeapCounter::resetPeak();
    QElapsedTimer timer;
    timer.start();
    const ConversationManager &manager = ConversationManager::shared();
    const double milliseconds = timer.nsecsElapsed() / 1e6;
    if (manager.conversations().size() != conversationCount)
        return 3;
    report({ milliseconds, (HeapCounter::peak() - baseline) / mib,
        (statusKiB("VmHWM") - residentBefore) / 1024.0 });
    reportPart("list-kept-MiB", (HeapCounter::inUse() - baseline) / mib);

    // The two steps of a load, once more in the same process: reading the
    // stored bytes, and decoding them.
    timer.start();
    const std::optional<QByteArray> stored
        = UserDefaults::standard().dataForKey(QStringLiteral("SavedConversations"));
    reportPart("again-read", timer.nsecsElapsed() / 1e6);
    timer.start();
    const bool decoded = stored && ConversationJson::decode(*stored).has_value();
    reportPart("again-decode", timer.nsecsElapsed() / 1e6);
    return decoded ? 0 : 5;
}

// --- the driver -----------------------------------------------------------

struct Results
{
    QList<Measurement> runs;
    QMap<QString, QList<double>> parts; // by name, one value per run
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

Results runMeasured(const QString &mode, const QString &preparedFile)
{
    Results results;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir config;
        QDir().mkpath(config.filePath(QStringLiteral("Pexilo")));
        QFile::copy(preparedFile, config.filePath(QStringLiteral("Pexilo/defaults.sqlite3")));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), { mode });
        child.waitForFinished(-1);
        if (child.exitCode() != 0) {
            out << mode << " run failed with status " << child.exitCode() << '\n';
            continue;
        }
        for (const QString &line :
            QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QStringList fields = line.split(QLatin1Char(' '));
            if (fields.first() == QLatin1String("RESULT") && fields.size() == 4)
                results.runs.append({ fields[1].toDouble(), fields[2].toDouble(), fields[3].toDouble() });
            else if (fields.first() == QLatin1String("PART") && fields.size() == 3)
                results.parts[fields[1]].append(fields[2].toDouble());
        }
    }
    return results;
}

void printSummary(const QString &name, const Results &results, double pngMiB)
{
    if (results.runs.isEmpty())
        return;
    QList<double> times;
    double peak = 0;
    double resident = 0;
    for (const Measurement &m : results.runs) {
        times.append(m.milliseconds);
        peak = std::max(peak, m.peakMiB);
        resident = std::max(resident, m.residentGrowthMiB);
    }
    std::sort(times.begin(), times.end());
    out << Qt::left << qSetFieldWidth(6) << name << qSetFieldWidth(0) << " median " << times[times.size() / 2]
        << " ms (fastest " << times.first() << ", slowest " << times.last() << "); heap peak +" << peak
        << " MiB (" << peak / pngMiB << " x the PNG bytes); resident set peak +" << resident << " MiB\n";
}

int drive()
{
    QTemporaryDir work;
    const QString loadFile = work.filePath(QStringLiteral("load.sqlite3"));
    const QString saveFile = work.filePath(QStringLiteral("save.sqlite3"));

    out << "Preparing " << conversationCount << " conversations...\n" << Qt::flush;
    QList<Conversation> conversations;
    qsizetype pngBytes = 0;
    for (int i = 0; i < conversationCount; ++i) {
        conversations.append(conversation(i));
        pngBytes += conversations.last().screenshotData()->size();
    }
    {
        UserDefaults load(loadFile);
        load.setData(QStringLiteral("SavedConversations"), *ConversationJson::encode(conversations));
        UserDefaults save(saveFile);
        save.setData(QStringLiteral("SavedConversations"), *ConversationJson::encode(conversations.mid(1)));
    }
    const double pngMiB = pngBytes / mib;
    out << "Screenshots: " << pngMiB << " MiB of PNG in all (" << pngBytes / conversationCount
        << " bytes each on average); stored list " << QFileInfo(loadFile).size() / mib << " MiB file\n"
        << Qt::flush;

    const Results save = runMeasured(QStringLiteral("--measure-save"), saveFile);
    const Results load = runMeasured(QStringLiteral("--measure-load"), loadFile);
    out << "\n" << runs << " runs each, each in a new process:\n";
    printSummary(QStringLiteral("save"), save, pngMiB);
    printSummary(QStringLiteral("load"), load, pngMiB);
    out << "  save: turning the screenshot into PNG "
        << median(save.parts.value(QStringLiteral("screenshot-png"))) << " ms, encoding and writing the list "
        << median(save.parts.value(QStringLiteral("list-encoded-and-written")))
        << " ms; writing the list again in the same process, encoding took "
        << median(save.parts.value(QStringLiteral("again-encode"))) << " ms and storing "
        << median(save.parts.value(QStringLiteral("again-write"))) << " ms (medians)\n";
    out << "  load: the list keeps " << median(load.parts.value(QStringLiteral("list-kept-MiB")))
        << " MiB of heap; loading again in the same process, reading the stored bytes took "
        << median(load.parts.value(QStringLiteral("again-read"))) << " ms and decoding them "
        << median(load.parts.value(QStringLiteral("again-decode"))) << " ms (medians)\n";
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 2) {
        Log::setSink([](const QString &) {});
        if (arguments[1] == QLatin1String("--measure-save"))
            return measureSave();
        if (arguments[1] == QLatin1String("--measure-load"))
            return measureLoad();
        return 2;
    }
    return drive();
}
