// Draws every message view, in each state that looks different, to PNG
// files for a look at the result: usage: show-views <out-dir>
//
// Each picture is one view laid out at a fixed width on a plain ground, drawn
// at a device pixel ratio of 2 on the offscreen platform, with animations
// settled. Times are shown in English (United States) in UTC.

#include "chat/ActionButton.h"
#include "chat/LoadingBubble.h"
#include "chat/MessageBubble.h"
#include "chat/MessageBubbleView.h"
#include "chat/ModernLoadingRow.h"
#include "chat/ModernMessageRow.h"
#include "chat/QuickActionButton.h"
#include "chat/TypingIndicatorView.h"
#include "store/DateEnvironment.h"
#include "ui/AnimatedValue.h"
#include "ui/Palette.h"
#include "ui/PulsingDots.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>

namespace {

constexpr qreal pictureScale = 2;
constexpr int groundPadding = 12;

const QDateTime sampleTime(QDate(2024, 3, 15), QTime(15, 7), Qt::UTC);
const QColor textPrimary = QColor::fromRgbF(0.1f, 0.1f, 0.12f);
const QColor textSecondary = QColor::fromRgbF(0.5f, 0.5f, 0.55f);
const QColor accentBeige = QColor::fromRgbF(0.96f, 0.94f, 0.90f);

const QString shortQuestion = QStringLiteral("What does this chart show?");
const QString longQuestion = QStringLiteral(
    "Could you explain what the three lines in this chart stand for, and why the second one drops so "
    "sharply after the summer months?");
const QString longAnswer = QStringLiteral(
    "The chart compares monthly sales of three products over a year. Sales of the first rise steadily "
    "from January to December, the second peaks in summer, and the third stays flat throughout.");
const QString markupAnswer = QStringLiteral("## Summary\n"
                                            "The chart shows **monthly sales** of three products.\n"
                                            "- Product A rises steadily\n"
                                            "- Product B peaks in **July**\n"
                                            "1. Look at the legend\n"
                                            "2. Compare the lines\n"
                                            "Tags stay text: <b>not bold</b> &amp;");

QDir outputFolder;

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "show-views: %s\n", qPrintable(message));
    std::exit(1);
}

void pointerEnters(QWidget *widget)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(widget, &enter);
}

void waitForPhase(PulsingDots *dots, int phase)
{
    if (!QTest::qWaitFor([&] { return dots->phase() == phase; }, 5000))
        fail(QStringLiteral("the dots never reached phase %1").arg(phase));
}

// A window of the given width on the plain ground, holding the view, laid
// out as tall as the view asks.
class Ground : public QWidget
{
public:
    Ground(QWidget *view, int width)
        : m_view(view)
        , m_width(width)
    {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, Palette::controlBackground());
        setPalette(palette);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(groundPadding, groundPadding, groundPadding, groundPadding);
        // Sized by hand below; the offscreen platform takes no size limits.
        layout->setSizeConstraint(QLayout::SetNoConstraint);
        layout->addWidget(view);
        layout->addStretch(1);
        resize(width, 100);
        show();
        relayOut();
    }

    void relayOut()
    {
        QCoreApplication::processEvents();
        const int inner = m_width - 2 * groundPadding;
        const int height
            = m_view->hasHeightForWidth() ? m_view->heightForWidth(inner) : m_view->sizeHint().height();
        resize(m_width, height + 2 * groundPadding);
        layout()->activate();
        QCoreApplication::processEvents();
    }

    void save(const QString &name)
    {
        relayOut();
        QImage image(size() * pictureScale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(pictureScale);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            render(&painter);
        }
        const QString path = outputFolder.filePath(name + QStringLiteral(".png"));
        if (!image.save(path, "PNG"))
            fail(QStringLiteral("cannot write %1").arg(path));
        std::printf("%s: %d x %d logical pixels\n", qPrintable(path), width(), height());
    }

private:
    QWidget *m_view;
    int m_width;
};

void showBubbleViews()
{
    for (const bool isUser : { true, false }) {
        const QString side = isUser ? QStringLiteral("user") : QStringLiteral("assistant");
        const QString text = isUser ? shortQuestion : QStringLiteral("It shows monthly sales.");
        {
            auto *view = new MessageBubbleView(ChatMessage(text, isUser, sampleTime));
            Ground ground(view, 480);
            ground.save(QStringLiteral("message-bubble-view-%1").arg(side));
            pointerEnters(view);
            ground.save(QStringLiteral("message-bubble-view-%1-hover").arg(side));
        }
        {
            Ground ground(
                new MessageBubbleView(ChatMessage(isUser ? longQuestion : longAnswer, isUser, sampleTime)),
                480);
            ground.save(QStringLiteral("message-bubble-view-%1-long").arg(side));
        }
    }
    Ground empty(new MessageBubbleView(ChatMessage(QString(), false, sampleTime)), 480);
    empty.save(QStringLiteral("message-bubble-view-assistant-empty"));
}

template<typename View> void showPhases(View *view, const QString &name, int width)
{
    Ground ground(view, width);
    for (const int phase : { 1, 2, 0 }) {
        waitForPhase(view->dots(), phase);
        ground.save(QStringLiteral("%1-phase-%2").arg(name).arg(phase));
    }
}

void showRows()
{
    for (const bool isUser : { true, false }) {
        const QString side = isUser ? QStringLiteral("user") : QStringLiteral("assistant");
        Ground ground(
            new ModernMessageRow(ChatMessage(isUser ? shortQuestion : longAnswer, isUser, sampleTime),
                textPrimary, textSecondary, accentBeige),
            520);
        ground.save(QStringLiteral("modern-message-row-%1").arg(side));
    }
    Ground empty(new ModernMessageRow(
                     ChatMessage(QString(), false, sampleTime), textPrimary, textSecondary, accentBeige),
        520);
    empty.save(QStringLiteral("modern-message-row-assistant-empty"));
}

void showMarkupBubbles()
{
    const QColor primaryColor = Palette::blue();
    for (const bool isUser : { true, false }) {
        const QString side = isUser ? QStringLiteral("user") : QStringLiteral("assistant");
        {
            Ground ground(
                new MessageBubble(ChatMessage(isUser ? shortQuestion : QStringLiteral("Monthly sales."),
                                      isUser, sampleTime),
                    primaryColor),
                520);
            ground.save(QStringLiteral("message-bubble-%1").arg(side));
        }
        {
            Ground ground(
                new MessageBubble(
                    ChatMessage(isUser ? longQuestion : longAnswer, isUser, sampleTime), primaryColor),
                520);
            ground.save(QStringLiteral("message-bubble-%1-long").arg(side));
        }
        {
            Ground ground(
                new MessageBubble(ChatMessage(markupAnswer, isUser, sampleTime), primaryColor), 520);
            ground.save(QStringLiteral("message-bubble-%1-markup").arg(side));
        }
    }
}

void showButtons()
{
    {
        auto *button = new QuickActionButton(QStringLiteral("Summarize"), QStringLiteral("doc.text"), [] {});
        Ground ground(button, 200);
        ground.save(QStringLiteral("quick-action-button"));
        QTest::mousePress(button, Qt::LeftButton);
        ground.save(QStringLiteral("quick-action-button-pressed"));
        QTest::mouseRelease(button, Qt::LeftButton);
    }
    {
        auto *button = new ActionButton(QStringLiteral("Copy answer"), QStringLiteral("doc.on.doc"), [] {});
        Ground ground(button, 200);
        ground.save(QStringLiteral("action-button"));
        QTest::mousePress(button, Qt::LeftButton);
        ground.save(QStringLiteral("action-button-pressed"));
        QTest::mouseRelease(button, Qt::LeftButton);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: show-views <out-dir>\n");
        return 2;
    }
    outputFolder = QDir(QString::fromLocal8Bit(argv[1]));
    if (!outputFolder.mkpath(QStringLiteral(".")))
        fail(QStringLiteral("cannot make %1").arg(outputFolder.path()));

    DateEnvironment::setCurrent(DateEnvironment::fixed(
        QDateTime::currentDateTimeUtc(), QLocale(QLocale::English, QLocale::UnitedStates), QTimeZone::utc()));
    AnimatedValue::setFinishAtOnce(true);

    showButtons();
    showBubbleViews();
    showPhases(new TypingIndicatorView, QStringLiteral("typing-indicator"), 480);
    showRows();
    showPhases(new ModernLoadingRow(textSecondary, accentBeige), QStringLiteral("modern-loading-row"), 520);
    showMarkupBubbles();
    showPhases(new LoadingBubble(Palette::blue()), QStringLiteral("loading-bubble"), 520);
    return 0;
}
