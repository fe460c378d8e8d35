// conversation_store_bench: how long saving, deleting and loading the saved
// conversations take, and how much heap a load needs at its peak, with 100
// conversations of 6 messages and a PNG screenshot of about 1 MB each, and a
// save with 1,000 of them.
//
// Each conversation is a row of its own in the defaults file. Each
// measurement runs in a new process of its own, on a copy of a prepared
// defaults file, after the conversation store has loaded the list as at the
// start of the application:
//   save:       99 conversations are stored; the current conversation holds
//               three answers about a screenshot whose PNG the AI client has
//               already made; saveCurrentConversation() adds the 100th.
//   save-1000:  the same with 999 stored.
//   save-next:  a second conversation's save right after the first, in the same process
//               (the first write of a process also starts the file's
//               write-ahead log, which takes one sync of the disk).
//   delete:     100 are stored; deleteConversation() removes one from the
//               middle and erases its bytes from the file.
//   load:       100 are stored; the first use of the conversation store reads
//               and decodes them (the same work a background load does).
//   import:     the 100 as the single value an earlier version stored; the
//               first use moves them into rows and rebuilds the file once.
//   fresh-memory: for comparison, the time this machine takes to give a
//               process 100 MiB of memory it has not used before, in 1 MiB
//               blocks, and fill them (a load fills that much for the
//               screenshots it holds, and pays for it).
// The heap is counted by standing in for malloc (HeapCounter): its peak
// during the operation is given above what the process held before it, and
// as a multiple of the PNG bytes of all 100 screenshots. Beside it, how far
// the resident set rose above its size just before the operation (VmHWM).
// The program prints its targets and ends with status 1 when one is missed.

#include "HeapCounter.h"
#include "ai/AIManager.h"
#include "platform/ImageData.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "store/ConversationJson.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <sqlite3.h>

namespace {

constexpr int conversationCount = 100;
constexpr int manyConversations = 1000;
constexpr int runs = 5;
// Noise does not compress: a 592 × 592 RGB image gives a PNG of about 1 MB.
constexpr int imageSide = 592;

// The targets.
constexpr double saveTargetMs = 20;
constexpr double deleteTargetMs = 50;
constexpr double loadTargetMs = 250;
constexpr double loadHeapTarget = 1.5; // times the PNG bytes

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

Conversation conversation(int index, const QByteArray &png)
{
    const QDateTime when = QDateTime::currentDateTimeUtc().addSecs(-3600 * index);
    QList<SavedMessage> messages;
    for (const AIResponse &response : threeAnswers(when)) {
        messages.append(SavedMessage(response.question, true, response.timestamp));
        messages.append(SavedMessage(response.content, false, response.timestamp));
    }
    return Conversation(QStringLiteral("Conversation %1").arg(index), when, png, messages);
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

constexpr double mib = 1024.0 * 1024.0;

// Measures one operation: its time, the heap's peak above what was in use
// before it, and the growth of the resident set.
template<typename Operation> void measure(Operation operation)
{
    const std::size_t before = HeapCounter::inUse();
    resetResidentPeak();
    const long residentBefore = statusKiB("VmRSS");
    HeapCounter::resetPeak();
    QElapsedTimer timer;
    timer.start();
    operation();
    const double milliseconds = timer.nsecsElapsed() / 1e6;
    out << "RESULT " << milliseconds << ' ' << (HeapCounter::peak() - before) / mib << ' '
        << (statusKiB("VmHWM") - residentBefore) / 1024.0 << '\n';
}

int measureSave(int stored, bool twice = false)
{
    ConversationManager &manager = ConversationManager::shared();
    if (manager.conversations().size() != stored)
        return 3;
    const QImage screenshot = noiseImage(stored + 1);
    ImageData::pngData(screenshot); // the AI client's request
    // A conversation about the screenshot with its answers, as a capture's
    // road leaves it.
    CurrentConversation &current = manager.current();
    const auto answered = [&] {
        current.start(screenshot);
        AIManager::shared().setResponses(threeAnswers(QDateTime::currentDateTimeUtc()));
    };
    answered();
    if (twice) {
        manager.saveCurrentConversation();
        answered();
    }
    measure([&] { manager.saveCurrentConversation(); });
    return manager.conversations().size() == stored + (twice ? 2 : 1) ? 0 : 4;
}

int measureFreshMemory()
{
    QList<QByteArray> blocks;
    measure([&] {
        for (int i = 0; i < conversationCount; ++i) {
            blocks.append(QByteArray(1024 * 1024, Qt::Uninitialized));
            std::memset(blocks.last().data(), i, blocks.last().size());
        }
    });
    return 0;
}

int measureDelete()
{
    ConversationManager &manager = ConversationManager::shared();
    if (manager.conversations().size() != conversationCount)
        return 3;
    const Conversation middle = manager.conversations().at(conversationCount / 2);
    measure([&] { manager.deleteConversation(middle); });
    return manager.conversations().size() == conversationCount - 1 ? 0 : 4;
}

int measureLoad()
{
    qsizetype loaded = 0;
    measure([&] { loaded = ConversationManager::shared().conversations().size(); });
    return loaded == conversationCount ? 0 : 3;
}

// --- the driver -----------------------------------------------------------

struct Measurement
{
    double milliseconds = 0;
    double peakMiB = 0;
    double residentGrowthMiB = 0;
};

struct Summary
{
    double medianMs = 0;
    double peakMiB = 0;
};

QList<Measurement> runMeasured(const QString &mode, const QString &preparedFile)
{
    QList<Measurement> results;
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
                results.append({ fields[1].toDouble(), fields[2].toDouble(), fields[3].toDouble() });
        }
    }
    return results;
}

Summary printSummary(const QString &name, const QList<Measurement> &results, double pngMiB)
{
    if (results.isEmpty())
        return { 1e9, 1e9 };
    QList<double> times;
    double peak = 0;
    double resident = 0;
    for (const Measurement &m : results) {
        times.append(m.milliseconds);
        peak = std::max(peak, m.peakMiB);
        resident = std::max(resident, m.residentGrowthMiB);
    }
    std::sort(times.begin(), times.end());
    out << Qt::left << qSetFieldWidth(13) << name << qSetFieldWidth(0) << " median "
        << times[times.size() / 2] << " ms (fastest " << times.first() << ", slowest " << times.last()
        << "); heap peak +" << peak << " MiB (" << peak / pngMiB << " x the PNG bytes); resident set peak +"
        << resident << " MiB\n";
    return { times[times.size() / 2], peak };
}

// A defaults file holding the conversations, each in a row of its own, as
// the application leaves them (written in one transaction, for speed).
void prepareRows(const QString &path, const QList<Conversation> &conversations)
{
    {
        UserDefaults(path).setBool(QStringLiteral("hasCompletedOnboarding"), true);
    } // the file and its tables
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db,
        "INSERT INTO conversations(id, position, record, screenshot) VALUES(?1, ?2, ?3, ?4)", -1, &insert,
        nullptr);
    qint64 position = conversations.size();
    for (const Conversation &conversation : conversations) {
        const QByteArray id = conversation.id().toString(QUuid::WithoutBraces).toUpper().toUtf8();
        const QByteArray record = *ConversationJson::encodeRecord(conversation);
        const QByteArray &png = *conversation.screenshotData();
        sqlite3_bind_text(insert, 1, id.constData(), int(id.size()), SQLITE_STATIC);
        sqlite3_bind_int64(insert, 2, position--);
        sqlite3_bind_blob(insert, 3, record.constData(), int(record.size()), SQLITE_STATIC);
        sqlite3_bind_blob(insert, 4, png.constData(), int(png.size()), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

int drive()
{
    QTemporaryDir work;
    const auto file = [&work](const char *name) { return work.filePath(QLatin1String(name)); };

    out << "Preparing " << conversationCount << " conversations...\n" << Qt::flush;
    QList<QByteArray> pngs;
    qsizetype pngBytes = 0;
    for (int i = 0; i < conversationCount; ++i) {
        pngs.append(ImageData::pngData(noiseImage(i)));
        pngBytes += pngs.last().size();
    }
    QList<Conversation> conversations;
    for (int i = 0; i < manyConversations; ++i)
        conversations.append(conversation(i, pngs.at(i % conversationCount)));
    const QList<Conversation> hundred = conversations.mid(0, conversationCount);
    prepareRows(file("rows-100"), hundred);
    prepareRows(file("rows-99"), hundred.mid(1));
    prepareRows(file("rows-999"), conversations.mid(1));
    {
        UserDefaults single(file("single-100"));
        single.setData(QStringLiteral("SavedConversations"), *ConversationJson::encode(hundred));
    }
    const double pngMiB = pngBytes / mib;
    out << "Screenshots: " << pngMiB << " MiB of PNG in all (" << pngBytes / conversationCount
        << " bytes each on average); files of " << QFileInfo(file("rows-100")).size() / mib
        << " MiB (100) and " << QFileInfo(file("rows-999")).size() / mib << " MiB (999)\n"
        << Qt::flush;

    const QList<Measurement> save = runMeasured(QStringLiteral("--measure-save"), file("rows-99"));
    const QList<Measurement> saveMany = runMeasured(QStringLiteral("--measure-save-1000"), file("rows-999"));
    const QList<Measurement> saveNext = runMeasured(QStringLiteral("--measure-save-next"), file("rows-99"));
    const QList<Measurement> remove = runMeasured(QStringLiteral("--measure-delete"), file("rows-100"));
    const QList<Measurement> load = runMeasured(QStringLiteral("--measure-load"), file("rows-100"));
    const QList<Measurement> import = runMeasured(QStringLiteral("--measure-load"), file("single-100"));
    const QList<Measurement> memory = runMeasured(QStringLiteral("--measure-fresh-memory"), file("rows-100"));

    out << "\n" << runs << " runs each, each in a new process:\n";
    const Summary saved = printSummary(QStringLiteral("save"), save, pngMiB);
    const Summary savedMany = printSummary(QStringLiteral("save-1000"), saveMany, pngMiB);
    printSummary(QStringLiteral("save-next"), saveNext, pngMiB);
    const Summary deleted = printSummary(QStringLiteral("delete"), remove, pngMiB);
    const Summary loaded = printSummary(QStringLiteral("load"), load, pngMiB);
    printSummary(QStringLiteral("import"), import, pngMiB);
    printSummary(QStringLiteral("fresh-memory"), memory, pngMiB);

    struct Target
    {
        const char *what;
        double value;
        double limit;
        const char *unit;
    };
    const Target targets[] = {
        { "save of one new conversation among 100", saved.medianMs, saveTargetMs, "ms" },
        { "save of one new conversation among 1,000", savedMany.medianMs, saveTargetMs, "ms" },
        { "deletion of one of 100, erase included", deleted.medianMs, deleteTargetMs, "ms" },
        { "load of 100", loaded.medianMs, loadTargetMs, "ms" },
        { "heap peak of a load", loaded.peakMiB / pngMiB, loadHeapTarget, "x the PNG bytes" },
    };
    bool met = true;
    out << "\nTargets (medians):\n";
    for (const Target &target : targets) {
        const bool ok = target.value <= target.limit;
        met = met && ok;
        out << (ok ? "  met    " : "  MISSED ") << target.what << ": " << target.value << " (at most "
            << target.limit << ' ' << target.unit << ")\n";
    }
    return met ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 2) {
        Log::setSink([](const QString &) {});
        if (arguments[1] == QLatin1String("--measure-save"))
            return measureSave(conversationCount - 1);
        if (arguments[1] == QLatin1String("--measure-save-next"))
            return measureSave(conversationCount - 1, true);
        if (arguments[1] == QLatin1String("--measure-fresh-memory"))
            return measureFreshMemory();
        if (arguments[1] == QLatin1String("--measure-save-1000"))
            return measureSave(manyConversations - 1);
        if (arguments[1] == QLatin1String("--measure-delete"))
            return measureDelete();
        if (arguments[1] == QLatin1String("--measure-load"))
            return measureLoad();
        return 2;
    }
    return drive();
}
