#include "chat/ActionButton.h"
#include "chat/LoadingBubble.h"
#include "chat/MessageAvatar.h"
#include "chat/MessageBubble.h"
#include "chat/MessageBubbleView.h"
#include "chat/MessageTime.h"
#include "chat/ModernLoadingRow.h"
#include "chat/ModernMessageRow.h"
#include "chat/QuickActionButton.h"
#include "chat/TypingIndicatorView.h"
#include "store/DateEnvironment.h"
#include "ui/ElidedLabel.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/PulsingDots.h"
#include "ui/markup/MarkdownText.h"
#include "ui/markup/TextBlock.h"

#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QLayout>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QColor textPrimary = QColor::fromRgbF(0.1f, 0.1f, 0.12f);
const QColor textSecondary = QColor::fromRgbF(0.5f, 0.5f, 0.55f);
const QColor accentBeige = QColor::fromRgbF(0.96f, 0.94f, 0.90f);
const QDateTime someTime(QDate(2024, 3, 15), QTime(15, 7), Qt::UTC);

struct FinishAnimationsAtOnce
{
    FinishAnimationsAtOnce() { AnimatedValue::setFinishAtOnce(true); }
    ~FinishAnimationsAtOnce() { AnimatedValue::setFinishAtOnce(false); }
};

// The view laid out at the width and as tall as it asks to be there.
void layOut(QWidget &view, int width)
{
    view.resize(width, view.hasHeightForWidth() ? view.heightForWidth(width) : view.sizeHint().height());
    // A hidden view hears of its new size only when shown; lay it out now.
    view.layout()->invalidate();
    view.layout()->activate();
}

QRect geometryIn(const QWidget *widget, const QWidget *ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

void pointerEnters(QWidget *widget)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(widget, &enter);
}

void pointerLeaves(QWidget *widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}

const ElidedLabel *labelWithText(const QWidget *view, const QString &text)
{
    for (const ElidedLabel *label : view->findChildren<ElidedLabel *>())
        if (label->text() == text)
            return label;
    return nullptr;
}

// What the screen shows of the view: the view at that width on a white
// ground, in a window of its own, grabbed once the window is on screen.
// A point of the view is the same point of the picture.
QImage shownPicture(QWidget *view, int width)
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette ground = window.palette();
    ground.setColor(QPalette::Window, Qt::white);
    window.setPalette(ground);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    layOut(*view, width);
    window.resize(width, view->height());
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    QImage picture = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    layout->removeWidget(view);
    view->setParent(nullptr);
    return picture;
}

// Whether each channel of the colour shown is within the tolerance of the
// colour expected.
bool isNear(const QColor &shown, const QColor &expected, int tolerance)
{
    return std::abs(shown.red() - expected.red()) <= tolerance
        && std::abs(shown.green() - expected.green()) <= tolerance
        && std::abs(shown.blue() - expected.blue()) <= tolerance;
}

// How many pixels of the part of the picture show the colour, give or take
// the tolerance.
int pixelsNear(const QImage &picture, const QRect &part, const QColor &colour, int tolerance)
{
    int count = 0;
    const QRect inside = part.intersected(picture.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += isNear(picture.pixelColor(x, y), colour, tolerance) ? 1 : 0;
    return count;
}

// The colour over white.
QColor overWhite(const QColor &colour)
{
    const qreal alpha = colour.alphaF();
    return QColor::fromRgbF(float(colour.redF() * alpha + 1 - alpha),
        float(colour.greenF() * alpha + 1 - alpha), float(colour.blueF() * alpha + 1 - alpha));
}

} // namespace

TEST(MessageViewsTest, MessageTimeIsTheShortTimeOfTheUsersLocaleAndZoneWithoutADate)
{
    const QDateTime now(QDate(2024, 7, 1), QTime(12, 0), Qt::UTC);
    struct TimeCase
    {
        QLocale locale;
        QByteArray zone;
        QDateTime timestamp;
        QString expected;
    };
    const TimeCase cases[] = {
        { QLocale(QLocale::German, QLocale::Germany), "Europe/Berlin",
            QDateTime(QDate(2024, 7, 1), QTime(9, 5), Qt::UTC), QStringLiteral("11:05") },
        // Long ago, and across midnight: still only the time.
        { QLocale(QLocale::German, QLocale::Germany), "Europe/Berlin",
            QDateTime(QDate(2019, 12, 31), QTime(23, 30), Qt::UTC), QStringLiteral("00:30") },
        { QLocale(QLocale::English, QLocale::UnitedStates), "America/New_York",
            QDateTime(QDate(2024, 7, 1), QTime(19, 7), Qt::UTC), QStringLiteral("3:07\u202FPM") },
        // The C locale (LANG=C) has seconds in its short format; they are left out.
        { QLocale::c(), "Europe/Berlin", QDateTime(QDate(2024, 7, 1), QTime(9, 5, 42), Qt::UTC),
            QStringLiteral("11:05") },
    };
    for (const TimeCase &timeCase : cases) {
        DateEnvironment::setCurrent(DateEnvironment::fixed(now, timeCase.locale, QTimeZone(timeCase.zone)));
        QString shown = formatMessageTime(timeCase.timestamp);
        // Some locale data puts an ordinary blank before "PM".
        shown.replace(u' ', u'\u202F');
        EXPECT_EQ(shown, timeCase.expected) << timeCase.zone.constData();
    }
    DateEnvironment::setCurrent(DateEnvironment::system());
}

// Each view's copy puts exactly the whole message on the clipboard, as
// plain text, marks and all, replacing whatever was there.
TEST(MessageViewsTest, CopyReplacesTheClipboardWithTheWholeMessageAsPlainText)
{
    FinishAnimationsAtOnce finishAtOnce;
    const QString markup = QStringLiteral("# Steps\n**Bold** and <b>tags</b> &amp;\n- one\n- two");
    struct CopyCase
    {
        const char *name;
        std::function<std::pair<QWidget *, PlainButton *>(const ChatMessage &)> make;
        QString content;
        bool isUser;
    };
    const CopyCase cases[] = {
        { "bubble view, user, copy shown on hover",
            [](const ChatMessage &message) {
                auto *view = new MessageBubbleView(message);
                pointerEnters(view);
                return std::pair<QWidget *, PlainButton *>(view, view->copyButton());
            },
            markup, true },
        { "bubble view, assistant",
            [](const ChatMessage &message) {
                auto *view = new MessageBubbleView(message);
                pointerEnters(view);
                return std::pair<QWidget *, PlainButton *>(view, view->copyButton());
            },
            markup, false },
        { "row, user",
            [](const ChatMessage &message) {
                auto *view = new ModernMessageRow(message, textPrimary, textSecondary, accentBeige);
                return std::pair<QWidget *, PlainButton *>(view, view->copyButton());
            },
            markup, true },
        { "row, empty message",
            [](const ChatMessage &message) {
                auto *view = new ModernMessageRow(message, textPrimary, textSecondary, accentBeige);
                return std::pair<QWidget *, PlainButton *>(view, view->copyButton());
            },
            QString(), false },
        { "markup bubble, assistant",
            [](const ChatMessage &message) {
                auto *view = new MessageBubble(message, Palette::blue());
                return std::pair<QWidget *, PlainButton *>(view, view->copyButton());
            },
            markup, false },
    };
    for (const CopyCase &copyCase : cases) {
        SCOPED_TRACE(copyCase.name);
        auto *before = new QMimeData;
        before->setHtml(QStringLiteral("<p>earlier</p>"));
        before->setText(QStringLiteral("earlier"));
        before->setImageData(QImage(4, 4, QImage::Format_RGB32));
        QGuiApplication::clipboard()->setMimeData(before);

        const auto [view, copy] = copyCase.make(ChatMessage(copyCase.content, copyCase.isUser, someTime));
        std::unique_ptr<QWidget> owner(view);
        ASSERT_TRUE(copy);
        layOut(*view, 500);
        view->show();
        ASSERT_TRUE(copy->isVisible());
        QTest::mouseClick(copy, Qt::LeftButton);

        const QMimeData *after = QGuiApplication::clipboard()->mimeData();
        ASSERT_TRUE(after);
        EXPECT_EQ(after->formats(), QStringList({ QStringLiteral("text/plain") }));
        EXPECT_EQ(after->text(), copyCase.content);
    }
}

TEST(MessageViewsTest, ServiceTextIsShownAsWrittenAndSelectableWhereItShouldBe)
{
    const QString text = QStringLiteral("<b>not bold</b> &amp; <img src=\"x\">");
    MessageBubbleView user(ChatMessage(text, true, someTime));
    MessageBubbleView assistant(ChatMessage(text, false, someTime));
    ModernMessageRow row(ChatMessage(text, false, someTime), textPrimary, textSecondary, accentBeige);
    EXPECT_EQ(user.text()->plainText(), text);
    EXPECT_EQ(assistant.text()->plainText(), text);
    EXPECT_EQ(row.text()->plainText(), text);
    EXPECT_FALSE(user.text()->isTextSelectable());
    EXPECT_TRUE(assistant.text()->isTextSelectable());
    EXPECT_TRUE(row.text()->isTextSelectable());
    EXPECT_EQ(row.text()->lineSpacing(), 4);

    MessageBubble bubble(ChatMessage(QStringLiteral("**Bold** <b>x</b>"), false, someTime), Palette::blue());
    EXPECT_EQ(bubble.text()->content(), QStringLiteral("**Bold** <b>x</b>"));
    EXPECT_TRUE(bubble.text()->isTextSelectable());
    QStringList shown;
    for (const TextBlock *block : bubble.text()->findChildren<TextBlock *>())
        shown.append(block->plainText());
    EXPECT_EQ(shown, QStringList({ QStringLiteral("Bold <b>x</b>") }));

    // The user's markup bubble has no copy button at all.
    MessageBubble userBubble(ChatMessage(QStringLiteral("hi"), true, someTime), Palette::blue());
    EXPECT_EQ(userBubble.copyButton(), nullptr);
    EXPECT_TRUE(userBubble.findChildren<PlainButton *>().isEmpty());
}

TEST(MessageViewsTest, TheBubbleViewsCopyButtonComesAndGoesWithThePointer)
{
    QWidget window;
    auto *view = new MessageBubbleView(ChatMessage(QStringLiteral("Hello"), false, someTime), &window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(view);
    window.resize(400, 120);
    window.show();
    EXPECT_FALSE(view->isHovering());
    EXPECT_FALSE(view->copyButton()->isVisible());
    const int bubbleWidth = view->bubble()->width();

    pointerEnters(view);
    EXPECT_TRUE(view->isHovering());
    EXPECT_TRUE(view->copyButton()->isVisible());

    pointerLeaves(view);
    EXPECT_FALSE(view->isHovering());
    // It fades out, and then leaves no room beside the bubble.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->copyButton()->isVisible(); }, 10000));
    window.layout()->activate();
    EXPECT_EQ(view->bubble()->width(), bubbleWidth);
}

TEST(MessageViewsTest, BubbleLinesKeepTheirSideAndAtLeastSixtyFree)
{
    FinishAnimationsAtOnce finishAtOnce;
    const QString longText
        = QStringLiteral("A long answer that certainly needs more than one line at this width, "
                         "so that it wraps inside its bubble and its bubble is as wide as allowed.");
    const int width = 500;
    for (const bool isUser : { true, false }) {
        SCOPED_TRACE(isUser ? "user" : "assistant");
        for (const bool hovering : { false, true }) {
            MessageBubbleView view(ChatMessage(longText, isUser, someTime));
            if (hovering)
                pointerEnters(&view);
            layOut(view, width);
            const QRect bubble = geometryIn(view.bubble(), &view);
            if (isUser) {
                EXPECT_GE(bubble.left() - 16, MessageBubbleView::minimumFreeWidth);
                EXPECT_EQ(bubble.right(), width - 16 - 1);
            } else {
                EXPECT_LE(bubble.right(), width - 16 - MessageBubbleView::minimumFreeWidth - 1);
                EXPECT_EQ(bubble.left(), 16 + 28 + 12);
            }
            // Wrapped, and the bubble tall enough for all of its lines.
            EXPECT_GT(view.text()->height(), 2 * view.text()->fontMetrics().height());
            EXPECT_GE(view.text()->height(), view.text()->heightForWidth(view.text()->width()));
        }
        // A short line hugs its text on its own side.
        MessageBubbleView shortLine(ChatMessage(QStringLiteral("Hi"), isUser, someTime));
        layOut(shortLine, width);
        const QRect bubble = geometryIn(shortLine.bubble(), &shortLine);
        EXPECT_LT(bubble.width(), 100);
        EXPECT_EQ(isUser ? bubble.right() : bubble.left(), isUser ? width - 16 - 1 : 16 + 28 + 12);
    }
    // An empty message still has its padded bubble and its time.
    MessageBubbleView empty(ChatMessage(QString(), false, someTime));
    layOut(empty, width);
    EXPECT_GE(empty.bubble()->width(), 32);
    EXPECT_GE(empty.bubble()->height(), 20);
    EXPECT_TRUE(labelWithText(&empty, formatMessageTime(someTime)));
}

TEST(MessageViewsTest, MarkupBubblesStayWithinTheirWidthsOnTheirSides)
{
    const QString longText
        = QStringLiteral("**Answer:** a paragraph long enough to wrap in any bubble, since it "
                         "goes on and on well past the widest bubble there is.\n- and an item");
    const int width = 700;
    struct WidthCase
    {
        bool isUser;
        int maximum;
    };
    for (const WidthCase widthCase : { WidthCase { true, 300 }, WidthCase { false, 350 } }) {
        SCOPED_TRACE(widthCase.isUser ? "user" : "assistant");
        MessageBubble view(ChatMessage(longText, widthCase.isUser, someTime), Palette::blue());
        layOut(view, width);
        const QRect bubble = geometryIn(view.bubble(), &view);
        EXPECT_EQ(bubble.width(), widthCase.maximum);
        EXPECT_GE(view.text()->height(), view.text()->heightForWidth(view.text()->width()));
        if (widthCase.isUser) {
            EXPECT_EQ(bubble.right(), width - 1);
            EXPECT_EQ(geometryIn(view.time(), &view).right(), width - 1);
        } else {
            EXPECT_EQ(bubble.left(), MessageBubble::footerIndent);
            EXPECT_EQ(geometryIn(view.time(), &view).left(), MessageBubble::footerIndent);
            EXPECT_GT(geometryIn(view.copyButton(), &view).left(), geometryIn(view.time(), &view).right());
        }

        MessageBubble shortOne(
            ChatMessage(QStringLiteral("Yes."), widthCase.isUser, someTime), Palette::blue());
        layOut(shortOne, width);
        const QRect shortBubble = geometryIn(shortOne.bubble(), &shortOne);
        EXPECT_LT(shortBubble.width(), 100);
        EXPECT_EQ(widthCase.isUser ? shortBubble.right() : shortBubble.left(),
            widthCase.isUser ? width - 1 : MessageBubble::footerIndent);

        // A narrow place wraps the text within what it offers.
        layOut(view, 200);
        EXPECT_LE(geometryIn(view.bubble(), &view).right(), 199);
    }
}

TEST(MessageViewsTest, RowsShowTheirSenderAndOnlyTheUsersRowIsTinted)
{
    for (const bool isUser : { true, false }) {
        SCOPED_TRACE(isUser ? "user" : "assistant");
        ModernMessageRow row(ChatMessage(QStringLiteral("Some text"), isUser, someTime), textPrimary,
            textSecondary, accentBeige);
        layOut(row, 480);
        EXPECT_TRUE(labelWithText(&row, isUser ? QStringLiteral("You") : QStringLiteral("AI")));
        EXPECT_TRUE(labelWithText(&row, formatMessageTime(someTime)));

        QImage picture(row.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::white);
        row.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
        const QColor tint = isUser
            ? QColor::fromRgbF(0.96f * 0.3f + 0.7f, 0.94f * 0.3f + 0.7f, 0.90f * 0.3f + 0.7f)
            : QColor(Qt::white);
        const QColor corner = picture.pixelColor(4, 4);
        EXPECT_NEAR(corner.red(), tint.red(), 1);
        EXPECT_NEAR(corner.blue(), tint.blue(), 1);
        // The hairline under the column, inset 32.
        const int hairline = row.column()->geometry().bottom() + 1;
        EXPECT_EQ(picture.pixel(40, hairline), QColor::fromRgbF(0.92f, 0.92f, 0.94f).rgb());
        EXPECT_EQ(picture.pixel(20, hairline), QColor(Qt::white).rgb());
    }
}

TEST(MessageViewsTest, TextsUseTheirFontsAndColours)
{
    const QString time = formatMessageTime(someTime);
    auto row = std::make_unique<ModernMessageRow>(
        ChatMessage(QStringLiteral("x"), true, someTime), textPrimary, textSecondary, accentBeige);
    auto loadingRow = std::make_unique<ModernLoadingRow>(textSecondary, accentBeige);
    auto typing = std::make_unique<TypingIndicatorView>();
    auto bubble
        = std::make_unique<MessageBubble>(ChatMessage(QStringLiteral("x"), false, someTime), Palette::blue());
    auto bubbleView = std::make_unique<MessageBubbleView>(ChatMessage(QStringLiteral("x"), false, someTime));
    auto quick
        = std::make_unique<QuickActionButton>(QStringLiteral("Summarize"), QStringLiteral("doc.text"), [] {});
    auto action = std::make_unique<ActionButton>(QStringLiteral("Retry"), QStringLiteral("sparkles"), [] {});
    struct FontCase
    {
        const QWidget *view;
        QString text;
        QString family; // empty: the system family
        int pixelSize;
        QFont::Weight weight;
        QColor colour;
    };
    const FontCase cases[] = {
        { row.get(), "You", "HafferXH-TRIAL-Medium", 13, QFont::Medium, textPrimary },
        { row.get(), time, "HafferXH-TRIAL-Regular", 11, QFont::Normal, textSecondary },
        { row.get(), "Copy", "HafferXH-TRIAL-Regular", 10, QFont::Normal, textSecondary },
        { loadingRow.get(), "AI", "HafferXH-TRIAL-Medium", 13, QFont::Medium, textSecondary },
        { loadingRow.get(), "thinking...", "HafferXH-TRIAL-Regular", 11, QFont::Normal, textSecondary },
        { typing.get(), "AI is thinking...", "HafferXH-Regular-TRIAL", 11, QFont::Normal,
            Palette::tertiaryLabel() },
        { bubbleView.get(), time, "HafferXH-Regular-TRIAL", 11, QFont::Normal, Palette::tertiaryLabel() },
        { bubble.get(), time, "", 10, QFont::Normal, Palette::withOpacity(Palette::secondaryLabel(), 0.7) },
        { bubble.get(), "Copy", "", 10, QFont::Medium, Palette::secondaryLabel() },
        { quick.get(), "Summarize", "HafferXH-Medium-TRIAL", 13, QFont::Medium, Palette::primaryLabel() },
        { action.get(), "Retry", "HafferXH-TRIAL-Regular", 12, QFont::Normal, ActionButton::textSecondary },
    };
    for (const FontCase &fontCase : cases) {
        SCOPED_TRACE(fontCase.text.toStdString());
        const ElidedLabel *label = labelWithText(fontCase.view, fontCase.text);
        ASSERT_TRUE(label);
        const QFont font = label->font();
        if (fontCase.family.isEmpty())
            EXPECT_FALSE(font.families().first().startsWith(QLatin1String("HafferXH")));
        else
            EXPECT_EQ(font.families().first(), fontCase.family);
        EXPECT_EQ(font.pixelSize(), fontCase.pixelSize);
        EXPECT_EQ(font.weight(), fontCase.weight);
        EXPECT_EQ(label->palette().color(QPalette::WindowText), fontCase.colour);
    }
    EXPECT_EQ(bubbleView->text()->font().families().first(), "HafferXH-Regular-TRIAL");
    EXPECT_EQ(bubbleView->text()->font().pixelSize(), 15);
    EXPECT_EQ(row->text()->font().families().first(), "HafferXH-TRIAL-Regular");
    EXPECT_EQ(row->text()->font().pixelSize(), 14);
}

TEST(MessageViewsTest, SmallButtonsRunTheirActionOncePerClick)
{
    int quickRuns = 0;
    int actionRuns = 0;
    QuickActionButton quick(QStringLiteral("Explain"), QStringLiteral("lightbulb"), [&] { ++quickRuns; });
    ActionButton action(QStringLiteral("Copy"), QStringLiteral("doc.on.doc"), [&] { ++actionRuns; });
    quick.show();
    action.show();
    QTest::mouseClick(&quick, Qt::LeftButton);
    QTest::mouseClick(&action, Qt::LeftButton);
    QTest::mouseClick(&action, Qt::LeftButton);
    EXPECT_EQ(quickRuns, 1);
    EXPECT_EQ(actionRuns, 2);
    EXPECT_EQ(action.fill(), QColor::fromRgbF(0.96f, 0.94f, 0.90f));
}

// No view that is off screen keeps a timer running, so a hidden transcript
// never wakes the program.
TEST(MessageViewsTest, LoadingViewsStepTheirDotsOnlyWhileOnScreen)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *typing = new TypingIndicatorView;
    auto *row = new ModernLoadingRow(textSecondary, accentBeige);
    auto *bubble = new LoadingBubble(Palette::purple());
    layout->addWidget(typing);
    layout->addWidget(row);
    layout->addWidget(bubble);
    struct DotsCase
    {
        const char *name;
        PulsingDots *dots;
        int intervalMs;
        QColor fill;
        qreal restOpacity;
    };
    const DotsCase cases[] = {
        { "typing indicator", typing->dots(), 400, Palette::tertiaryLabel(), 0.4 },
        { "loading row", row->dots(), 400, Palette::withOpacity(textSecondary, 0.4), 0.4 },
        { "loading bubble", bubble->dots(), 500, Palette::withOpacity(Palette::gray(), 0.5), 0.5 },
    };
    EXPECT_EQ(bubble->objectName(), QStringLiteral("loading"));
    for (const DotsCase &dotsCase : cases) {
        SCOPED_TRACE(dotsCase.name);
        EXPECT_EQ(dotsCase.dots->style().intervalMs, dotsCase.intervalMs);
        EXPECT_EQ(dotsCase.dots->style().fill, dotsCase.fill);
        EXPECT_EQ(dotsCase.dots->style().restOpacity, dotsCase.restOpacity);
        EXPECT_FALSE(dotsCase.dots->isTicking());
    }

    QList<std::shared_ptr<QSignalSpy>> steps;
    for (const DotsCase &dotsCase : cases)
        steps.append(std::make_shared<QSignalSpy>(dotsCase.dots, &PulsingDots::phaseChanged));
    window.show();
    for (const DotsCase &dotsCase : cases) {
        SCOPED_TRACE(dotsCase.name);
        EXPECT_EQ(dotsCase.dots->phase(), 1); // the middle dot first
        EXPECT_TRUE(dotsCase.dots->isTicking());
    }
    // The step at the showing, then one of the timer.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::all_of(
                steps.cbegin(), steps.cend(), [](const auto &spy) { return spy->count() >= 2; });
        },
        5000));

    window.hide();
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (const DotsCase &dotsCase : cases) {
        EXPECT_FALSE(dotsCase.dots->isTicking()) << dotsCase.name;
        spies.append(std::make_shared<QSignalSpy>(dotsCase.dots, &PulsingDots::phaseChanged));
    }
    // Well past two intervals of each: nothing steps.
    QTest::qWait(1200);
    for (qsizetype i = 0; i < spies.size(); ++i)
        EXPECT_EQ(spies[i]->count(), 0) << cases[i].name;
}

// The sender's symbol at the head of each row is drawn in the sender's
// colour: the person in blue for the user, the sparkles in amber for the
// assistant and the loading row; never the other's.
TEST(MessageViewsTest, RowSymbolsShowInTheirSendersColours)
{
    const QColor userBlue = QColor::fromRgbF(0.4f, 0.6f, 0.9f);
    const QColor assistantAmber = QColor::fromRgbF(0.8f, 0.6f, 0.4f);
    struct SymbolCase
    {
        const char *name;
        std::function<QWidget *()> make;
        QColor shown;
        QColor absent;
    };
    const SymbolCase cases[] = {
        { "user's row",
            [] {
                return new ModernMessageRow(ChatMessage(QStringLiteral("Some text"), true, someTime),
                    textPrimary, textSecondary, accentBeige);
            },
            userBlue, assistantAmber },
        { "assistant's row",
            [] {
                return new ModernMessageRow(ChatMessage(QStringLiteral("Some text"), false, someTime),
                    textPrimary, textSecondary, accentBeige);
            },
            assistantAmber, userBlue },
        { "loading row", [] { return new ModernLoadingRow(textSecondary, accentBeige); }, assistantAmber,
            userBlue },
    };
    for (const SymbolCase &symbolCase : cases) {
        SCOPED_TRACE(symbolCase.name);
        std::unique_ptr<QWidget> view(symbolCase.make());
        const QImage picture = shownPicture(view.get(), 480);
        EXPECT_GE(pixelsNear(picture, picture.rect(), symbolCase.shown, 6), 8);
        EXPECT_EQ(pixelsNear(picture, picture.rect(), symbolCase.absent, 30), 0);
    }
}

// Every avatar is a disc, clear at the corners of its square, with its
// symbol drawn in the middle; the assistant's markup bubble beside it has
// its outline, a little darker than its fill.
TEST(MessageViewsTest, AvatarsAreDiscsWithTheirSymbolInTheMiddle)
{
    struct AvatarCase
    {
        const char *name;
        std::function<QWidget *()> make;
        QColor symbol;
    };
    const AvatarCase cases[] = {
        { "bubble view",
            [] { return new MessageBubbleView(ChatMessage(QStringLiteral("Hello"), false, someTime)); },
            Qt::white },
        { "typing indicator", [] { return new TypingIndicatorView; }, Qt::white },
        { "loading bubble", [] { return new LoadingBubble(Palette::purple()); }, Qt::white },
        { "markup bubble",
            [] {
                return new MessageBubble(
                    ChatMessage(QStringLiteral("Hello"), false, someTime), Palette::blue());
            },
            Palette::blue() },
    };
    for (const AvatarCase &avatarCase : cases) {
        SCOPED_TRACE(avatarCase.name);
        std::unique_ptr<QWidget> view(avatarCase.make());
        const MessageAvatar *avatar = view->findChild<MessageAvatar *>();
        ASSERT_TRUE(avatar);
        const QImage picture = shownPicture(view.get(), 480);
        const QRect square = geometryIn(avatar, view.get());
        ASSERT_EQ(square.size(), QSize(28, 28));
        const QColor fill = overWhite(avatar->look().fill);
        for (const QPoint corner :
            { square.topLeft(), square.topRight(), square.bottomLeft(), square.bottomRight() })
            EXPECT_EQ(picture.pixelColor(corner), QColor(Qt::white)) << corner.x() << "," << corner.y();
        // The disc's fill left and right of the symbol, and the symbol in
        // the middle 12 × 12.
        const QPoint middle = square.center();
        for (const QPoint side :
            { QPoint(square.left() + 3, middle.y()), QPoint(square.right() - 3, middle.y()) })
            EXPECT_TRUE(isNear(picture.pixelColor(side), fill, avatar->look().gradient ? 40 : 2))
                << side.x() << "," << side.y();
        const QRect symbolSquare(square.topLeft() + QPoint(8, 8), QSize(12, 12));
        EXPECT_GE(pixelsNear(picture, symbolSquare, avatarCase.symbol, 20), 6);
    }

    MessageBubble bubble(ChatMessage(QStringLiteral("Hello"), false, someTime), Palette::blue());
    const QImage picture = shownPicture(&bubble, 480);
    const QRect frame = geometryIn(bubble.bubble(), &bubble);
    const int middle = frame.center().y();
    const QColor edge = picture.pixelColor(frame.left(), middle);
    const QColor inside = picture.pixelColor(frame.left() + 4, middle);
    EXPECT_TRUE(isNear(inside, overWhite(Palette::withOpacity(Palette::gray(), 0.06)), 1));
    EXPECT_LT(edge.red(), inside.red());
    EXPECT_LT(edge.blue(), inside.blue());
}

// The small buttons are rounded pills of their own fill whatever they are
// placed on: the quick action's a faint grey, the action button's beige.
TEST(MessageViewsTest, SmallButtonsAreRoundedPillsOfTheirFill)
{
    struct ButtonCase
    {
        const char *name;
        std::function<QWidget *()> make;
        QColor fill;
    };
    const ButtonCase cases[] = {
        { "quick action",
            [] {
                return new QuickActionButton(QStringLiteral("Summarize"), QStringLiteral("doc.text"), [] {});
            },
            overWhite(Palette::withOpacity(Palette::quaternaryLabel(), 0.5)) },
        { "action button",
            [] { return new ActionButton(QStringLiteral("Retry"), QStringLiteral("sparkles"), [] {}); },
            QColor::fromRgbF(0.96f, 0.94f, 0.90f) },
    };
    for (const ButtonCase &buttonCase : cases) {
        SCOPED_TRACE(buttonCase.name);
        std::unique_ptr<QWidget> button(buttonCase.make());
        const int width = button->sizeHint().width();
        const QImage picture = shownPicture(button.get(), width);
        const QRect pill(QPoint(0, 0), button->size());
        ASSERT_GE(pill.height(), 20);
        // Clear at the corners, the fill just inside the rounded edges.
        for (const QPoint corner : { pill.topLeft(), pill.topRight(), pill.bottomLeft(), pill.bottomRight() })
            EXPECT_EQ(picture.pixelColor(corner), QColor(Qt::white)) << corner.x() << "," << corner.y();
        for (const QPoint edge : { QPoint(2, pill.center().y()), QPoint(pill.right() - 2, pill.center().y()),
                 QPoint(pill.center().x(), 1), QPoint(pill.center().x(), pill.bottom() - 1) })
            EXPECT_TRUE(isNear(picture.pixelColor(edge), buttonCase.fill, 1)) << edge.x() << "," << edge.y();
    }
}
