// The local work of sending a screenshot to the AI service: PNG encoding,
// base64 and the JSON body of the first request about an image, and of a
// follow-up, which reuses the PNG bytes; beside them Qt's default PNG save of
// the same image as the yardstick. Prints the figures against their targets
// and fails when one is missed.

#include "ScreenLikeImage.h"
#include "ai/OpenAIRequest.h"
#include "platform/ImageData.h"

#include <QBuffer>
#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {

const QImage &screenshot()
{
    static const QImage image = screenLikeImage();
    return image;
}

qsizetype qtPngSize = 0;
qsizetype ourPngSize = 0;

QByteArray requestBody(const QImage &image, const QString &prompt)
{
    const QByteArray base64 = ImageData::pngData(image).toBase64();
    return OpenAIRequest::forImage(prompt, base64).toJson();
}

void QtDefaultPngSave(benchmark::State &state)
{
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        screenshot().save(&buffer, "PNG");
        qtPngSize = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["png_bytes"] = double(qtPngSize);
}

void FirstRequestLocalWork(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QImage fresh = screenshot().copy(); // a new image: nothing encoded yet
        state.ResumeTiming();
        const QByteArray body = requestBody(fresh, QStringLiteral("What do you see in this image?"));
        benchmark::DoNotOptimize(body.data());
        ourPngSize = ImageData::pngData(fresh).size();
    }
    state.counters["png_bytes"] = double(ourPngSize);
}

void FollowUpLocalWork(benchmark::State &state)
{
    const QImage &image = screenshot();
    ImageData::pngData(image);
    const QString prompt = QStringLiteral(
        "Previous conversation context:\nOriginal question: Summarize this image\nPrevious AI response: A "
        "text "
        "editor with a document.\n\nFollow-up question: What is the title?\n\nPlease answer the follow-up "
        "question while considering the previous conversation context. Reference specific details from your "
        "previous response when relevant.");
    for (auto _ : state) {
        const QByteArray body = requestBody(image, prompt);
        benchmark::DoNotOptimize(body.data());
    }
}

BENCHMARK(QtDefaultPngSave)->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(0.5)->MinTime(2);
BENCHMARK(FirstRequestLocalWork)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinWarmUpTime(0.5)
    ->MinTime(2);
BENCHMARK(FollowUpLocalWork)->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(0.5)->MinTime(2);

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
    QGuiApplication app(argc, argv); // fonts for drawing the screenshot
    benchmark::Initialize(&argc, argv);
    screenshot();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto &ms = reporter.milliseconds;
    if (!ms.count("QtDefaultPngSave") || !ms.count("FirstRequestLocalWork") || !ms.count("FollowUpLocalWork"))
        return 0; // a filtered run: nothing to compare
    const double share = ms.at("FirstRequestLocalWork") / ms.at("QtDefaultPngSave");
    const double sizeRatio = double(ourPngSize) / double(qtPngSize);
    const double followUp = ms.at("FollowUpLocalWork");
    const bool met = share <= 0.40 && sizeRatio <= 1.10 && followUp < 25;
    std::printf("\nfirst request: %.1f ms = %.0f%% of Qt's default PNG save (%.1f ms); target at most 40%%\n",
        ms.at("FirstRequestLocalWork"), share * 100, ms.at("QtDefaultPngSave"));
    std::printf("PNG size: %lld bytes = %.3f x Qt's %lld bytes; target at most 1.10\n", (long long)ourPngSize,
        sizeRatio, (long long)qtPngSize);
    std::printf("follow-up: %.1f ms; target under 25 ms\n", followUp);
    std::printf("%s\n", met ? "all targets met" : "TARGET MISSED");
    return met ? 0 : 1;
}
