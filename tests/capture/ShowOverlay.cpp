// Shows the analysis overlay over a stand-in screen and takes pictures of it,
// for a look at the result:
//
//   show-overlay <capture.png|none> <x,y,w,h> <width>x<height> <out-dir>
//                [--question <text> (--answer <text> | --answer-file <file> | --service-down)]
//                [--backdrop sample|busy] [--hover <quick action>] [--hold <ms>]
//
// The capture is the selected region as the capture would hand it over;
// "none" stands for a failed capture. The screen behind the overlay is a
// sample desktop with the capture laid at the rectangle. On Qt's offscreen
// platform the command makes a screen of the given size; on X11 (under
// xvfb-run) the screen must have that size, and the pictures are of the
// whole X screen. It writes collapsed.png and, with a question, working.png
// while the answer is on its way and answered.png once the follow-up field
// is in. The answer comes from a fake service on 127.0.0.1 in this process;
// with --service-down nothing answers on loopback and the AI client's failure
// text is the answer. --backdrop busy puts windows full of text behind the
// overlay; --hover takes hovered.png with the pointer on that quick action;
// --hold keeps the collapsed overlay up that long for someone to click and
// type into it (xdotool), then takes held.png.

#include "OverlayHost.h"
#include "ai/AIManager.h"
#include "capture/CustomOverlayView.h"
#include "chat/ChatWindowManager.h"
#include "store/CurrentConversation.h"
#include "platform/UserDefaults.h"
#include "support/FakeAIService.h"
#include "support/LoopbackGuard.h"
#include "support/ScopedEndpoints.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <optional>

using namespace std::chrono_literals;

namespace {

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "show-overlay: %s\n", qPrintable(message));
    std::exit(1);
}

std::optional<QSize> parseSize(const QString &text)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    return size.isEmpty() ? std::nullopt : std::optional(size);
}

std::optional<QRectF> parseRect(const QString &text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    qreal values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].toDouble(&ok);
        if (!ok)
            return std::nullopt;
    }
    return QRectF(values[0], values[1], values[2], values[3]);
}

// On the offscreen platform, a screen of that size.
void useScreenOfSize(const QSize &size, const QTemporaryDir &scratch)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && platform != "offscreen")
        return;
    const QString config = scratch.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write %1").arg(config));
    file.write(QStringLiteral("{ \"screens\": [ { \"name\": \"Main\", \"x\": 0, \"y\": 0, \"width\": %1, "
                              "\"height\": %2, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1 } ] }")
                   .arg(size.width())
                   .arg(size.height())
                   .toUtf8());
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
}

// What the screen shows: on X11 the whole screen as the server has it.
QImage picture(QWidget *window)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    return window->grab().toImage();
}

void save(const QImage &image, const QDir &folder, const QString &name)
{
    const QString path = folder.filePath(name);
    if (!image.save(path, "PNG"))
        fail(QStringLiteral("cannot write %1").arg(path));
    std::printf("%s\n", qPrintable(path));
}

void describe(const CustomOverlayView &overlay, const char *state)
{
    const QRectF box = overlay.textBoxFrame();
    std::printf("%s: text box %g,%g %gx%g (height %g), image frame %g,%g %gx%g, follow-up field %s\n", state,
        box.x(), box.y(), box.width(), box.height(), overlay.textBoxHeight(), overlay.screenshotFrame().x(),
        overlay.screenshotFrame().y(), overlay.screenshotFrame().width(), overlay.screenshotFrame().height(),
        overlay.showFollowUpField() ? "shown" : "hidden");
}

} // namespace

int main(int argc, char *argv[])
{
    // A configuration of its own: the fake key never reaches the user's.
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("config"))));
    const std::optional<QSize> screenSize
        = argc > 3 ? parseSize(QString::fromLocal8Bit(argv[3])) : std::nullopt;
    if (screenSize)
        useScreenOfSize(*screenSize, scratch);
    LoopbackGuard::pointEndpointsAtClosedLoopbackPort();

    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(
        QStringLiteral("capture"), QStringLiteral("The captured region (PNG), or none."));
    parser.addPositionalArgument(QStringLiteral("rect"), QStringLiteral("The selection: x,y,w,h."));
    parser.addPositionalArgument(QStringLiteral("screen"), QStringLiteral("The screen's size: WxH."));
    parser.addPositionalArgument(QStringLiteral("out-dir"), QStringLiteral("Where the pictures go."));
    parser.addOption(
        { QStringLiteral("question"), QStringLiteral("A question to type."), QStringLiteral("text") });
    parser.addOption(
        { QStringLiteral("answer"), QStringLiteral("The service's answer."), QStringLiteral("text") });
    parser.addOption({ QStringLiteral("answer-file"), QStringLiteral("The service's answer, from a file."),
        QStringLiteral("file") });
    parser.addOption({ QStringLiteral("service-down"), QStringLiteral("No service answers on loopback.") });
    parser.addOption({ QStringLiteral("backdrop"), QStringLiteral("sample or busy."), QStringLiteral("kind"),
        QStringLiteral("sample") });
    parser.addOption({ QStringLiteral("hover"), QStringLiteral("A quick action to hover."),
        QStringLiteral("action") });
    parser.addOption({ QStringLiteral("hold"), QStringLiteral("Milliseconds to keep the overlay up."),
        QStringLiteral("ms") });
    parser.addHelpOption();
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 4)
        parser.showHelp(2);

    const std::optional<QRectF> selection = parseRect(args[1]);
    if (!selection || !screenSize)
        parser.showHelp(2);
    if (QGuiApplication::primaryScreen()->size() != *screenSize)
        fail(QStringLiteral("the screen is %1x%2; start the X server with that size")
                 .arg(QGuiApplication::primaryScreen()->size().width())
                 .arg(QGuiApplication::primaryScreen()->size().height()));
    std::optional<QImage> capture;
    if (args[0] != QLatin1String("none")) {
        capture = QImage(args[0]);
        if (capture->isNull())
            fail(QStringLiteral("cannot read %1").arg(args[0]));
    }
    QString answer = parser.value(QStringLiteral("answer"));
    if (parser.isSet(QStringLiteral("answer-file"))) {
        QFile file(parser.value(QStringLiteral("answer-file")));
        if (!file.open(QIODevice::ReadOnly))
            fail(QStringLiteral("cannot read %1").arg(file.fileName()));
        answer = QString::fromUtf8(file.readAll());
    }
    const QString question = parser.value(QStringLiteral("question"));
    const bool serviceDown = parser.isSet(QStringLiteral("service-down"));
    if (!question.isEmpty() && answer.isEmpty() && !serviceDown)
        fail(QStringLiteral("a question needs --answer, --answer-file or --service-down"));
    QDir out(args[3]);
    if (!out.mkpath(QStringLiteral(".")))
        fail(QStringLiteral("cannot make %1").arg(args[3]));

    FakeAIService service;
    std::optional<ScopedEndpoints> endpoints;
    if (!serviceDown)
        endpoints.emplace(service.baseUrl());
    UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("sk-local-sample"));
    // Slow enough to catch the overlay at work.
    FakeReply reply = FakeReply::chatCompletion(answer);
    reply.delay = 1500ms;
    service.enqueue("POST", "/v1/chat/completions", reply);

    // The frozen screen: a sample desktop with the capture where it was taken.
    QImage frozen = parser.value(QStringLiteral("backdrop")) == QLatin1String("busy")
        ? OverlayHost::busyDesktop(*screenSize)
        : OverlayHost::sampleDesktop(*screenSize);
    if (capture) {
        QPainter painter(&frozen);
        painter.drawImage(selection->topLeft(), *capture);
    }
    auto *host = new OverlayHost(frozen);
    CurrentConversation::shared().start(capture);
    auto *overlay = new CustomOverlayView(
        CurrentConversation::shared(), ChatWindowManager::shared(), *selection, capture, [](QuickAction) {},
        [] { std::printf("the overlay asked to close\n"); });
    host->setOverlay(overlay);
    host->show();
    host->raise();
    host->activateWindow();
    QTest::qWait(600); // past the 0.1 s focus and the first paint
    if (!QTest::qWaitFor([overlay] { return overlay->isTextFieldFocused(); }, 10000))
        fail(QStringLiteral("the question field did not take the keyboard"));
    describe(*overlay, "collapsed");
    save(picture(host), out, QStringLiteral("collapsed.png"));

    if (parser.isSet(QStringLiteral("hover"))) {
        const QString action = parser.value(QStringLiteral("hover"));
        auto *button = overlay->findChild<QWidget *>(QStringLiteral("quickAction.") + action);
        if (!button)
            fail(QStringLiteral("no quick action named %1").arg(action));
        QTest::mouseMove(host->windowHandle(), button->mapTo(host, button->rect().center()));
        QTest::qWait(800); // the pill's spring
        const QRect pill(button->mapTo(host, QPoint()), button->size());
        std::printf("hovered: %s pill %d,%d %dx%d on a screen %dx%d\n", qPrintable(action), pill.x(),
            pill.y(), pill.width(), pill.height(), host->width(), host->height());
        save(picture(host), out, QStringLiteral("hovered.png"));
        QTest::mouseMove(host->windowHandle(), QPoint(2, 2));
        QTest::qWait(500);
    }
    if (parser.isSet(QStringLiteral("hold"))) {
        std::printf("holding\n");
        std::fflush(stdout);
        QTest::qWait(parser.value(QStringLiteral("hold")).toInt());
        std::printf("held: question field holds \"%s\"\n", qPrintable(overlay->userQuestion()));
        save(picture(host), out, QStringLiteral("held.png"));
    }

    if (!question.isEmpty()) {
        QLineEdit *field = overlay->findChild<QLineEdit *>(QStringLiteral("questionField"));
        QTest::keyClicks(field, question);
        QTest::keyClick(field, Qt::Key_Return);
        QTest::qWait(900);
        if (AIManager::shared().isProcessing()) {
            describe(*overlay, "working");
            save(picture(host), out, QStringLiteral("working.png"));
        } else if (!serviceDown) {
            fail(QStringLiteral("the question did not start an analysis"));
        }

        if (!QTest::qWaitFor([] { return AIManager::shared().lastResponse().has_value(); }, 10000))
            fail(QStringLiteral("no answer arrived"));
        // The box's spring, the 0.3 s pause and the follow-up field's spring.
        QTest::qWait(1800);
        if (!overlay->showFollowUpField() || overlay->textBoxHeight() <= 52)
            fail(QStringLiteral("the answer did not open the box"));
        describe(*overlay, "answered");
        save(picture(host), out, QStringLiteral("answered.png"));
    }
    delete host;
    return 0;
}
