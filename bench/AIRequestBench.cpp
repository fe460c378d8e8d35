// The local work of sending a screenshot to the AI service: PNG encoding,
// base64 and the JSON body of the first request about an image, and of a
// follow-up, which reuses the PNG bytes; beside them Qt's default PNG save of
// the same image as the yardstick. It runs on three 4K screens (a desktop
// with a photo wallpaper and windows, a page of text, and a synthetic mix),
// prints the figures against their targets and fails when one is missed.

#include "ScreenLikeImage.h"
#include "ai/OpenAIRequest.h"
#include "platform/ImageData.h"

#include <QBuffer>
#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr double maxShareOfQtTime = 0.25;
constexpr double maxSizeRatio = 1.00;
constexpr double maxFollowUpMilliseconds = 25;

struct Screen
{
    std::string name;
    QImage image;
    qsizetype qtPngSize = 0;
    qsizetype ourPngSize = 0;
};

std::vector<Screen> &screens()
{
    static std::vector<Screen> all = [] {
        std::vector<Screen> list;
        list.push_back({ "desktop", desktopScreenImage() });
        list.push_back({ "document", documentScreenImage() });
        list.push_back({ "synthetic", screenLikeImage() });
        return list;
    }();
    return all;
}

QByteArray requestBody(const QImage &image, const QString &prompt)
{
    const QByteArray base64 = ImageData::pngData(image).toBase64();
    return OpenAIRequest::forImage(prompt, base64).toJson();
}

void qtDefaultPngSave(benchmark::State &state, Screen *screen)
{
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        screen->image.save(&buffer, "PNG");
        screen->qtPngSize = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["png_bytes"] = double(screen->qtPngSize);
}

void firstRequestLocalWork(benchmark::State &state, Screen *screen)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QImage fresh = screen->image.copy(); // a new image: nothing encoded yet
        state.ResumeTiming();
        const QByteArray body = requestBody(fresh, QStringLiteral("What do you see in this image?"));
        benchmark::DoNotOptimize(body.data());
        screen->ourPngSize = ImageData::pngData(fresh).size();
    }
    state.counters["png_bytes"] = double(screen->ourPngSize);
}

void followUpLocalWork(benchmark::State &state, Screen *screen)
{
    ImageData::pngData(screen->image);
    const QString prompt = QStringLiteral(
        "Previous conversation context:\nOriginal question: Summarize this image\nPrevious AI response: A "
        "text editor with a document.\n\nFollow-up question: What is the title?\n\nPlease answer the "
        "follow-up question while considering the previous conversation context. Reference specific "
        "details from your previous response when relevant.");
    for (auto _ : state) {
        const QByteArray body = requestBody(screen->image, prompt);
        benchmark::DoNotOptimize(body.data());
    }
}

void registerBenchmarks()
{
    for (Screen &screen : screens()) {
        for (const auto &[kind, function] : { std::pair { "QtDefaultPngSave", &qtDefaultPngSave },
                 std::pair { "FirstRequestLocalWork", &firstRequestLocalWork },
                 std::pair { "FollowUpLocalWork", &followUpLocalWork } }) {
            benchmark::RegisterBenchmark((std::string(kind) + '/' + screen.name).c_str(), function, &screen)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MinWarmUpTime(0.5)
                ->MinTime(2);
        }
    }
}

// Keeps the mean wall time of each benchmark for the summary.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    SummaryReporter()
        : ConsoleReporter(OO_Tabular) // plain text, readable in a log
    { }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                milliseconds[run.run_name.function_name]
                    = run.real_accumulated_time * 1000 / double(run.iterations);
        }
    }

    std::map<std::string, double> milliseconds;
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv); // fonts for drawing the screens
    benchmark::Initialize(&argc, argv);
    registerBenchmarks();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto &ms = reporter.milliseconds;
    bool met = true;
    bool compared = false;
    std::printf("\n%-10s %9s %11s %9s %11s %6s %6s %9s\n", "screen", "Qt ms", "Qt bytes", "first ms",
        "our bytes", "time", "size", "follow ms");
    for (const Screen &screen : screens()) {
        const auto at = [&](const char *kind) {
            const auto found = ms.find(std::string(kind) + '/' + screen.name);
            return found == ms.end() ? -1.0 : found->second;
        };
        const double qt = at("QtDefaultPngSave");
        const double first = at("FirstRequestLocalWork");
        const double followUp = at("FollowUpLocalWork");
        if (qt < 0 || first < 0 || followUp < 0)
            continue; // a filtered run: nothing to compare
        compared = true;
        const double share = first / qt;
        const double sizeRatio = double(screen.ourPngSize) / double(screen.qtPngSize);
        met = met && share <= maxShareOfQtTime && sizeRatio <= maxSizeRatio
            && followUp < maxFollowUpMilliseconds;
        std::printf("%-10s %9.1f %11lld %9.1f %11lld %5.0f%% %6.3f %9.1f\n", screen.name.c_str(), qt,
            (long long)screen.qtPngSize, first, (long long)screen.ourPngSize, share * 100, sizeRatio,
            followUp);
    }
    if (!compared)
        return 0;
    std::printf(
        "targets on every screen: first request at most %.0f%% of Qt's default PNG save's time, PNG at "
        "most %.2f x Qt's size, follow-up under %.0f ms\n%s\n",
        maxShareOfQtTime * 100, maxSizeRatio, maxFollowUpMilliseconds,
        met ? "all targets met" : "TARGET MISSED");
    return met ? 0 : 1;
}
