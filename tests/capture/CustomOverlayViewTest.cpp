#include "OverlayFixture.h"
#include "PointerEvents.h"
#include "capture/OverlayGeometry.h"
#include "capture/QuickActionRow.h"
#include "capture/SpotlightActionButton.h"
#include "chat/ChatWindowManager.h"
#include "ui/Palette.h"
#include "ui/markup/MarkdownText.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleHints>

using namespace std::chrono_literals;

namespace {

const QString summarizeInstruction
    = QStringLiteral("Summarize what you see in this image. Be concise but comprehensive.");

} // namespace

class CustomOverlayViewTest : public OverlayFixture
{
protected:
    QString answerShown() const { return child<MarkdownText>("answerText")->content(); }
    QAbstractButton *quickAction(QuickAction action) const
    {
        return child<QuickActionRow>("quickActionRow")->button(action);
    }
};

TEST_F(CustomOverlayViewTest, CollapsedOverlayShowsTheImageWhereItWasAndTheBoxBelowIt)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 800, 800));
    QElapsedTimer sinceShown;
    sinceShown.start();
    show(QRectF(100, 100, 200, 100), sampleImage());

    EXPECT_FALSE(overlay->isFullScreenOrLargeSelection());
    EXPECT_EQ(overlay->screenshotFrame(), QRectF(100, 100, 200, 100));
    EXPECT_EQ(overlay->textBoxHeight(), 52);
    // Below the selection, clamped to x ≥ 270; the whole group (box, 12,
    // four pills) then starts 20 from the left edge.
    EXPECT_EQ(overlay->controlsPosition(), QPointF(270, 242));
    EXPECT_EQ(overlay->textBoxFrame(), QRectF(20, 216, 460, 52));
    const auto *row = child<QuickActionRow>("quickActionRow");
    EXPECT_TRUE(row->isVisible());
    EXPECT_EQ(row->geometry(), QRect(492, 220, QuickActionRow::restingWidth(), 44));
    EXPECT_TRUE(overlay->showActionButtons());
    EXPECT_FALSE(overlay->showFollowUpField());
    EXPECT_EQ(questionField()->placeholderText(), QStringLiteral("Ask about this screenshot..."));

    // The question field takes the keyboard a moment after the overlay shows.
    EXPECT_FALSE(overlay->isTextFieldFocused());
    EXPECT_TRUE(QTest::qWaitFor([this] { return overlay->isTextFieldFocused(); }, 10000));
    EXPECT_GE(sinceShown.elapsed(), 100);
}

TEST_F(CustomOverlayViewTest, ALargeSelectionShowsOnlyTheBoxCentredOnTheScreen)
{
    // 0.6 of 800 × 800 is 384000; 600 × 640 = 384000 is not large, 601 × 640 is.
    show(QRectF(0, 0, 600, 640), sampleImage(QSize(600, 640)));
    EXPECT_FALSE(overlay->isFullScreenOrLargeSelection());
    delete host;

    show(QRectF(0, 0, 601, 640), sampleImage(QSize(601, 640)));
    EXPECT_TRUE(overlay->isFullScreenOrLargeSelection());
    EXPECT_TRUE(overlay->screenshotFrame().isEmpty());
    // The group is centred on the screen's centre; on this narrow screen it
    // keeps to the inset instead, with room on its right for a widening pill.
    EXPECT_EQ(overlay->textBoxFrame(), QRectF(20, 400 - 26, 460, 52));
}

TEST_F(CustomOverlayViewTest, AnImageIsDrawnAtItsSizeInPixelsOfTheScreenUpTo600By400)
{
    QImage sharp = sampleImage(QSize(1200, 1000));
    sharp.setDevicePixelRatio(2); // 600 × 500 logical pixels
    show(QRectF(100, 50, 600, 500), sharp);
    EXPECT_EQ(overlay->screenshotFrame(), QRectF(100, 100, 600, 400));
}

TEST_F(CustomOverlayViewTest, ATypedQuestionRunsWithTheFieldDisabledAndTheAnswerGrowsTheBox)
{
    const QString answer = QStringLiteral("A **blue** window with a yellow bar.");
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(answer));
    show(QRectF(100, 100, 200, 100), sampleImage());
    ASSERT_TRUE(QTest::qWaitFor([this] { return overlay->isTextFieldFocused(); }, 10000));

    type(questionField(), QStringLiteral("What is this?"));
    // The analysis has started: inputs are off until it ends.
    EXPECT_TRUE(AIManager::shared().isProcessing());
    EXPECT_FALSE(questionField()->isEnabled());
    EXPECT_EQ(overlay->userQuestion(), QStringLiteral("What is this?"));
    EXPECT_TRUE(child<QWidget>("spinner")->isVisible());
    EXPECT_FALSE(overlay->showActionButtons());
    EXPECT_FALSE(quickAction(QuickAction::summarize)->isEnabled());

    ASSERT_TRUE(waitForAnswer());
    ASSERT_EQ(chatRequests().size(), 1);
    EXPECT_EQ(sentPrompt(0), QStringLiteral("What is this?"));
    EXPECT_TRUE(sentImageUrl(0).startsWith(QStringLiteral("data:image/png;base64,")));

    const qreal height = CustomOverlayView::calculateResponseHeight(answer);
    EXPECT_EQ(height, 80);
    EXPECT_EQ(overlay->responseHeight(), height);
    EXPECT_EQ(overlay->textBoxHeight(), height + 160);
    EXPECT_TRUE(overlay->userQuestion().isEmpty());
    EXPECT_EQ(answerShown(), answer);
    EXPECT_TRUE(child<MarkdownText>("answerText")->isTextSelectable());
    EXPECT_FALSE(child<QWidget>("questionRow")->isVisible());
    EXPECT_FALSE(child<QuickActionRow>("quickActionRow")->isVisible());
    // The grown box is placed again: 240 high, below the selection, and
    // 520 wide it is kept 20 from the screen's edge.
    EXPECT_EQ(overlay->controlsPosition(), QPointF(270, 200 + 16 + 120));
    EXPECT_EQ(overlay->textBoxFrame(), QRectF(20, 216, 520, 240));

    // The follow-up field and the buttons come in a moment later.
    EXPECT_FALSE(overlay->showFollowUpField());
    ASSERT_TRUE(waitForFollowUpField());
    EXPECT_TRUE(overlay->showResponseButtons());
    EXPECT_TRUE(followUpField()->isVisible());
    EXPECT_TRUE(followUpField()->isEnabled());
    EXPECT_EQ(followUpField()->placeholderText(), QStringLiteral("Ask more about this..."));
    EXPECT_TRUE(child<QWidget>("copyButton")->isVisible());
    EXPECT_TRUE(child<QWidget>("chatButton")->isVisible());
    EXPECT_EQ(quickActionCallbacks, 0);
}

TEST_F(CustomOverlayViewTest, AQuestionOfSpacesIsSentAsItIsAndAnEmptyOneNotAtAll)
{
    show(QRectF(100, 100, 200, 100), sampleImage());
    QTest::keyClick(questionField(), Qt::Key_Return);
    EXPECT_FALSE(AIManager::shared().isProcessing());

    type(questionField(), QStringLiteral("   "));
    ASSERT_TRUE(waitForAnswer());
    ASSERT_EQ(chatRequests().size(), 1);
    EXPECT_EQ(sentPrompt(0), QStringLiteral("   "));
    EXPECT_EQ(AIManager::shared().lastResponse()->question, QStringLiteral("   "));
}

TEST_F(CustomOverlayViewTest, WithoutAnImageThePlaceholderShowsAndNothingIsSent)
{
    show(QRectF(50, 50, 650, 300), std::nullopt);
    EXPECT_EQ(overlay->screenshotFrame(), QRectF(75, 50, 600, 300));
    ASSERT_TRUE(QTest::qWaitFor([this] { return overlay->isTextFieldFocused(); }, 10000));

    type(questionField(), QStringLiteral("What is this?"));
    click(quickAction(QuickAction::summarize));
    QTest::qWait(100);
    EXPECT_FALSE(AIManager::shared().isProcessing());
    EXPECT_TRUE(service.requests().isEmpty());
    EXPECT_EQ(overlay->userQuestion(), QStringLiteral("What is this?"));
    EXPECT_TRUE(questionField()->isEnabled());

    // The placeholder: the window-background colour around the symbol.
    const QImage picture = host->grab().toImage();
    const qreal dpr = picture.devicePixelRatio();
    EXPECT_EQ(picture.pixelColor(QPoint(90, 70) * dpr).rgb(), Palette::windowBackground().rgb());
}

TEST_F(CustomOverlayViewTest, AQuickActionRunsOnTheImageAndItsAnswerIsShown)
{
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("A summary.")));
    show(QRectF(100, 100, 200, 100), sampleImage());

    click(quickAction(QuickAction::summarize));
    EXPECT_TRUE(AIManager::shared().isProcessing());
    EXPECT_FALSE(quickAction(QuickAction::explain)->isEnabled());
    EXPECT_FALSE(questionField()->isEnabled());

    ASSERT_TRUE(waitForAnswer());
    EXPECT_EQ(sentPrompt(0), summarizeInstruction);
    EXPECT_EQ(AIManager::shared().lastResponse()->action, QuickAction::summarize);
    EXPECT_EQ(answerShown(), QStringLiteral("A summary."));
    EXPECT_EQ(overlay->textBoxHeight(), 240);
    // The overlay runs the action itself; the owner's callback stays unused.
    EXPECT_EQ(quickActionCallbacks, 0);
}

TEST_F(CustomOverlayViewTest, AFollowUpCarriesTheContextAndKeepsItsTextUntilTheAnswerIsIn)
{
    ASSERT_TRUE(answerFirstWithASlowSecondQueued(QStringLiteral("Second answer\nwith\nmore\nlines")));

    followUpField()->setFocus();
    type(followUpField(), QStringLiteral("And the colours?"));
    EXPECT_TRUE(AIManager::shared().isProcessing());
    EXPECT_FALSE(followUpField()->isEnabled());
    EXPECT_EQ(overlay->followUpQuestion(), QStringLiteral("And the colours?"));
    // The previous answer stays while the follow-up runs.
    EXPECT_EQ(answerShown(), QStringLiteral("First answer"));

    ASSERT_TRUE(waitForAnswer());
    EXPECT_EQ(sentPrompt(1),
        QStringLiteral("Previous conversation context:\nOriginal question: What is this?\n"
                       "Previous AI response: First answer\n\nFollow-up question: And the colours?\n\n"
                       "Please answer the follow-up question while considering the previous conversation "
                       "context. Reference specific details from your previous response when relevant."));
    EXPECT_TRUE(overlay->followUpQuestion().isEmpty());
    EXPECT_EQ(answerShown(), QStringLiteral("Second answer\nwith\nmore\nlines"));
    EXPECT_EQ(AIManager::shared().responses().size(), 2);
    const qreal height = CustomOverlayView::calculateResponseHeight(answerShown());
    EXPECT_GT(height, 80);
    EXPECT_EQ(overlay->textBoxHeight(), height + 160);
    EXPECT_TRUE(overlay->showFollowUpField());
    // Whoever sent the follow-up goes on typing in the same field.
    EXPECT_TRUE(overlay->isFollowUpFocused());
}

TEST_F(CustomOverlayViewTest, CopyPutsTheAnswerAsWrittenOnTheClipboard)
{
    service.enqueue("POST", "/v1/chat/completions",
        FakeReply::chatCompletion(QStringLiteral("# Title\nThe **bold** word")));
    show(QRectF(100, 100, 200, 100), sampleImage());
    type(questionField(), QStringLiteral("What is this?"));
    ASSERT_TRUE(waitForAnswer());
    ASSERT_TRUE(waitForFollowUpField());

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    click(child<QWidget>("copyButton"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("# Title\nThe **bold** word"));
    EXPECT_EQ(closes, 0);
}

TEST_F(CustomOverlayViewTest, AFailureArrivesAsAnAnswerThatShowsAndCopiesLikeAnyOther)
{
    service.setDefault("POST", "/v1/chat/completions", FakeReply::withStatus(500));
    show(QRectF(100, 100, 200, 100), sampleImage());
    type(questionField(), QStringLiteral("What is this?"));
    ASSERT_TRUE(waitForAnswer());

    const QString error = QStringLiteral("OpenAI server error. Please try again later.");
    EXPECT_EQ(answerShown(), error);
    EXPECT_EQ(overlay->textBoxHeight(), 240);
    ASSERT_TRUE(waitForFollowUpField());
    click(child<QWidget>("copyButton"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), error);
}

TEST_F(CustomOverlayViewTest, ChatHandsTheImageAndEveryAnswerToTheChatWindowThenCloses)
{
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("First answer")));
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Second answer")));
    const QImage image = sampleImage();
    show(QRectF(100, 100, 200, 100), image);
    type(questionField(), QStringLiteral("What is this?"));
    ASSERT_TRUE(waitForAnswer());
    ASSERT_TRUE(waitForFollowUpField());
    type(followUpField(), QStringLiteral("More?"));
    ASSERT_TRUE(waitForAnswer());

    ChatWindowManager &chat = ChatWindowManager::shared();
    QStringList order;
    QObject listening; // the manager outlives this case
    QObject::connect(
        &chat, &ChatWindowManager::currentScreenshotChanged, &listening, [&] { order.append("screenshot"); });
    QObject::connect(&chat, &ChatWindowManager::isOpenChanged, &listening, [&] { order.append("open"); });
    QObject::connect(host, &QObject::destroyed, [] {});
    const int closesBefore = closes;
    click(child<QWidget>("chatButton"));

    EXPECT_EQ(closes, closesBefore + 1);
    EXPECT_EQ(order.first(), QStringLiteral("screenshot"));
    EXPECT_EQ(order.last(), QStringLiteral("open"));
    EXPECT_TRUE(chat.isOpen());
    ASSERT_TRUE(chat.currentScreenshot().has_value());
    EXPECT_EQ(*chat.currentScreenshot(), image);
    QStringList transcript;
    for (const ChatMessage &message : chat.messages())
        transcript.append(
            (message.isUser() ? QStringLiteral("user: ") : QStringLiteral("ai: ")) + message.content());
    EXPECT_EQ(transcript,
        QStringList({ "user: What is this?", "ai: First answer", "user: More?", "ai: Second answer" }));
}

TEST_F(CustomOverlayViewTest, ChatWaitsForAFollowUpOnItsWaySoThatTheChatShowsItsAnswer)
{
    ASSERT_TRUE(answerFirstWithASlowSecondQueued(QStringLiteral("Second answer")));
    type(followUpField(), QStringLiteral("More?"));
    ASSERT_TRUE(AIManager::shared().isProcessing());

    ChatWindowManager &chat = ChatWindowManager::shared();
    click(child<QWidget>("chatButton"));
    EXPECT_FALSE(chat.isOpen());
    EXPECT_EQ(closes, 0);

    ASSERT_TRUE(waitForAnswer());
    click(child<QWidget>("chatButton"));
    EXPECT_TRUE(chat.isOpen());
    ASSERT_EQ(chat.messages().size(), 4);
    EXPECT_EQ(chat.messages().last().content(), QStringLiteral("Second answer"));
}

TEST_F(CustomOverlayViewTest, ChatWithoutAnImageHandsNothingOverAndTheOverlayStays)
{
    show(QRectF(100, 100, 200, 100), std::nullopt);
    // A restored answer, as the conversation manager writes it.
    const AIResponse restored { QStringLiteral("Restored"), QDateTime::currentDateTime(), std::nullopt,
        QStringLiteral("Q") };
    AIManager::shared().setResponses({ restored });
    AIManager::shared().setLastResponse(restored);
    ASSERT_TRUE(waitForFollowUpField());

    click(child<QWidget>("chatButton"));
    EXPECT_FALSE(ChatWindowManager::shared().isOpen());
    EXPECT_FALSE(ChatWindowManager::shared().currentScreenshot().has_value());
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(host->isVisible());
}

TEST_F(CustomOverlayViewTest, EscapeClosesFromTheFocusedFieldWhileOtherKeysReachIt)
{
    show(QRectF(100, 100, 200, 100), sampleImage());
    ASSERT_TRUE(QTest::qWaitFor([this] { return overlay->isTextFieldFocused(); }, 10000));
    QTest::keyClicks(questionField(), QStringLiteral("ab"));
    EXPECT_EQ(overlay->userQuestion(), QStringLiteral("ab"));
    EXPECT_EQ(closes, 0);

    QTest::keyClick(questionField(), Qt::Key_Escape);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(overlay->userQuestion(), QStringLiteral("ab"));

    // Once the overlay is gone from the screen, Escape is no longer its.
    ASSERT_FALSE(host->isVisible());
    QWidget other;
    other.show();
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_EQ(closes, 1);
}

TEST_F(CustomOverlayViewTest, AClickOnTheBackdropClosesButNotOnTheImageOrTheBox)
{
    show(QRectF(100, 100, 200, 100), sampleImage());
    QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(150, 150)); // the image
    QTest::mouseClick(child<QWidget>("textBox"), Qt::LeftButton, {}, QPoint(5, 26));
    EXPECT_EQ(closes, 0);
    QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(700, 500));
    EXPECT_EQ(closes, 1);
}

TEST_F(CustomOverlayViewTest, OnlyAClickClosesFromTheBackdropNotADragThatStartsThere)
{
    show(QRectF(100, 100, 200, 100), sampleImage());
    const int dragDistance = QGuiApplication::styleHints()->startDragDistance();
    const QPoint backdrop(700, 600);
    const QPoint onTheBox = child<QWidget>("textBox")->geometry().center();
    // The pointer's moves go to the overlay, which took the press.
    const auto pressMoveRelease = [this](QPoint press, const QList<QPoint> &moves) {
        QTest::mousePress(overlay, Qt::LeftButton, {}, press);
        for (const QPoint &move : moves)
            QTest::mouseMove(overlay, move);
        QTest::mouseRelease(overlay, Qt::LeftButton, {}, moves.isEmpty() ? press : moves.last());
    };

    pressMoveRelease(backdrop, { QPoint(500, 400), onTheBox });
    EXPECT_EQ(closes, 0) << "a long drag let go on the box";
    pressMoveRelease(backdrop, { backdrop + QPoint(dragDistance + 5, 0), backdrop });
    EXPECT_EQ(closes, 0) << "dragged away and back";
    pressMoveRelease(backdrop, { backdrop + QPoint(0, dragDistance) });
    EXPECT_EQ(closes, 0) << "let go just at the drag distance";
    pressMoveRelease(backdrop, { backdrop + QPoint(dragDistance - 1, 0) });
    EXPECT_EQ(closes, 1) << "a click that trembled less than the drag distance";
}

TEST_F(CustomOverlayViewTest, AnotherWindowTakingTheKeyboardClosesTheOverlayButAPopupDoesNot)
{
    show(QRectF(100, 100, 200, 100), sampleImage());
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.data()));

    // A menu takes the keyboard for a moment and hands it back.
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    menu.popup(QPoint(400, 400));
    ASSERT_TRUE(QTest::qWaitFor([&menu] { return QGuiApplication::focusWindow() == menu.windowHandle(); }));
    menu.close();
    host->activateWindow(); // as the window system hands it back
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.data()));
    QTest::qWait(500);
    EXPECT_EQ(closes, 0);

    // A window of ours opens (Settings, say): hidden under the overlay, it
    // would take the keys unseen.
    QWidget other;
    other.resize(300, 200);
    other.show();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([this] { return closes == 1; }));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(closes, 1);
}

TEST_F(CustomOverlayViewTest, OnASmallScreenTheAnsweredBoxStandsBesideItsImageNotOverIt)
{
    // 800 × 800: 230 free above and below the image, 180 on either side.
    // The answered box, 240 high, fits in neither; lowered to an answer area
    // of 230 - 16 - 160 = 54 it goes below.
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("An answer.")));
    show(QRectF(200, 250, 400, 300), sampleImage(QSize(400, 300)));
    type(questionField(), QStringLiteral("What is this?"));
    ASSERT_TRUE(waitForAnswer());
    ASSERT_TRUE(waitForFollowUpField());

    EXPECT_EQ(overlay->responseHeight(), 54);
    EXPECT_EQ(overlay->textBoxHeight(), 54 + 160);
    const QRectF box = overlay->textBoxFrame();
    EXPECT_FALSE(box.intersects(overlay->screenshotFrame())) << "the box covers its image";
    EXPECT_EQ(box.top(), 550 + 16);
    EXPECT_TRUE(QRectF(20, 20, 760, 760).contains(box));
    // The answer scrolls in what is left of it.
    EXPECT_EQ(child<QWidget>("answerScroll")->height(), 54);
}

TEST_F(CustomOverlayViewTest, AnAnswerKeepsTheBoxsPaddingOnBothSidesWhicheverWayItsTextRuns)
{
    // Long enough to scroll: the bar shows beside the answer.
    const QString leftToRight = QStringLiteral("Hello world, this is a long answer. ").repeated(40);
    const QString rightToLeft = QStringLiteral("שלום עולם, זו תשובה ארוכה מאוד. ").repeated(40);
    // Where the answer's ink lies across the box, and where its bar is.
    struct Ink
    {
        int left = -1;
        int right = -1;
        QRect bar;
    };
    const auto inkOf = [this](const QString &answer) {
        service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(answer));
        show(QRectF(100, 100, 200, 100), sampleImage());
        type(questionField(), QStringLiteral("What is this?"));
        Ink ink;
        if (!waitForAnswer() || !waitForFollowUpField())
            return ink;
        QWidget *box = child<QWidget>("textBox");
        QWidget *area = child<QWidget>("answerScroll");
        QWidget *bar = child<QWidget>("answerScrollBar");
        if (!bar)
            return ink;
        EXPECT_TRUE(QTest::qWaitFor([bar] { return bar->isVisible(); }));
        ink.bar = bar->geometry().translated(bar->parentWidget()->mapTo(box, QPoint()));
        const QImage picture = box->grab().toImage();
        const qreal ratio = picture.devicePixelRatio();
        const QRect rows(area->mapTo(box, QPoint()), area->size());
        for (int y = rows.top(); y <= rows.bottom(); ++y) {
            for (int x = 0; x < ink.bar.left(); ++x) {
                // The text is dark on the light box.
                if (picture.pixelColor(QPoint(x, y) * ratio).lightness() < 100) {
                    ink.left = ink.left < 0 ? x : qMin(ink.left, x);
                    ink.right = qMax(ink.right, x);
                }
            }
        }
        delete host;
        AIManager::shared().resetForNewScreenshot();
        return ink;
    };

    const Ink ltr = inkOf(leftToRight);
    const Ink rtl = inkOf(rightToLeft);
    ASSERT_GE(ltr.left, 0);
    ASSERT_GE(rtl.right, 0);
    const int boxWidth = 520;
    const int leftMargin = ltr.left;
    const int rightMargin = boxWidth - 1 - rtl.right;
    // The same padding on both sides, give or take a glyph's bearing.
    EXPECT_GE(leftMargin, 20);
    EXPECT_NEAR(rightMargin, leftMargin, 3);
    // The bar stands clear of the text, in the padding.
    EXPECT_GE(rtl.bar.left() - rtl.right, 4);
    EXPECT_LE(rtl.bar.right(), boxWidth - 1);
}

TEST_F(CustomOverlayViewTest, TheLastHoverEventOfTheResponseButtonsDecidesWhichIsHovered)
{
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Answer")));
    show(QRectF(100, 100, 200, 100), sampleImage());
    type(questionField(), QStringLiteral("What is this?"));
    ASSERT_TRUE(waitForAnswer());
    ASSERT_TRUE(waitForFollowUpField());
    QWidget *copy = child<QWidget>("copyButton");
    QWidget *chat = child<QWidget>("chatButton");

    pointerEnters(copy);
    EXPECT_EQ(overlay->hoveredResponseButton(), QStringLiteral("copy"));
    pointerLeaves(copy);
    pointerEnters(chat);
    EXPECT_EQ(overlay->hoveredResponseButton(), QStringLiteral("chat"));
    pointerLeaves(chat);
    EXPECT_EQ(overlay->hoveredResponseButton(), std::nullopt);

    pointerEnters(copy);
    pointerEnters(chat);
    pointerLeaves(copy);
    EXPECT_EQ(overlay->hoveredResponseButton(), std::nullopt);
}

TEST_F(CustomOverlayViewTest, HoveringAQuickActionMarksItAndWidensItToTheRight)
{
    show(QRectF(100, 100, 200, 100), sampleImage());
    QAbstractButton *explain = quickAction(QuickAction::explain);
    const QRectF boxBefore = overlay->textBoxFrame();
    pointerEnters(explain);
    EXPECT_EQ(overlay->hoveredAction(), QuickAction::explain);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(explain->width(), 160);
    // The text box stays where it is; the row grows away from it, and no
    // further than the screen's inset.
    EXPECT_EQ(overlay->textBoxFrame(), boxBefore);
    EXPECT_LE(child<QuickActionRow>("quickActionRow")->geometry().right() + 1, 780);
    pointerLeaves(explain);
    EXPECT_EQ(overlay->hoveredAction(), std::nullopt);
}

TEST_F(CustomOverlayViewTest, TheColourBandRunsOverTheImageWhileAnAnalysisRuns)
{
    FakeReply slow = FakeReply::chatCompletion(QStringLiteral("Answer"));
    slow.delay = 600ms;
    service.enqueue("POST", "/v1/chat/completions", slow);
    show(QRectF(100, 100, 200, 100), sampleImage());
    EXPECT_EQ(overlay->gradientOffset(), 0);

    const QImage idle = host->grab(QRect(100, 100, 200, 100)).toImage();
    type(questionField(), QStringLiteral("What is this?"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return overlay->gradientOffset() > 0.05; }, 10000));
    EXPECT_NE(host->grab(QRect(100, 100, 200, 100)).toImage(), idle);

    ASSERT_TRUE(waitForAnswer());
    EXPECT_EQ(overlay->gradientOffset(), 0);
    EXPECT_EQ(host->grab(QRect(100, 100, 200, 100)).toImage(), idle);
}

TEST_F(CustomOverlayViewTest, ResettingTheClientBringsBackTheQuestionFieldAndKeepsTheSize)
{
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Answer")));
    show(QRectF(100, 100, 200, 100), sampleImage());
    type(questionField(), QStringLiteral("What is this?"));
    ASSERT_TRUE(waitForAnswer());

    AIManager::shared().resetForNewScreenshot();
    EXPECT_TRUE(child<QWidget>("questionRow")->isVisible());
    EXPECT_FALSE(child<QWidget>("answerPane")->isVisible());
    EXPECT_EQ(overlay->textBoxHeight(), 240);
}

TEST_F(CustomOverlayViewTest, ClicksInTheOverlayNeverTakeTheKeyboardFromTheFieldsUnlessOnAField)
{
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Answer")));
    show(QRectF(100, 100, 200, 100), sampleImage());
    ASSERT_TRUE(QTest::qWaitFor([this] { return overlay->isTextFieldFocused(); }, 10000));
    QWidget *box = child<QWidget>("textBox");
    // A click through the window system, then keys typed wherever the
    // keyboard is.
    const auto clickThenType = [this](QWidget *target, QPoint at, const QString &text) {
        QTest::mouseClick(host->windowHandle(), Qt::LeftButton, {}, target->mapTo(host.data(), at));
        QTest::keyClicks(nullptr, text);
    };

    // The question pill's padding and its magnifier belong to the field; the
    // image is elsewhere.
    clickThenType(box, QPoint(4, 26), QStringLiteral("a"));
    clickThenType(box, QPoint(29, 26), QStringLiteral("b"));
    clickThenType(overlay, QPoint(150, 150), QStringLiteral("c"));
    EXPECT_EQ(overlay->userQuestion(), QStringLiteral("abc"));
    EXPECT_EQ(closes, 0);

    QTest::keyClick(questionField(), Qt::Key_Return);
    ASSERT_TRUE(waitForAnswer());
    ASSERT_TRUE(waitForFollowUpField());
    // The follow-up pill around the field takes the keyboard to it; the box's
    // background, the answer, a pill and the image leave it there.
    QWidget *pill = followUpField()->parentWidget();
    clickThenType(pill, QPoint(6, pill->height() / 2), QStringLiteral("d"));
    clickThenType(pill, QPoint(24, pill->height() / 2), QStringLiteral("e"));
    clickThenType(box, QPoint(box->width() - 30, 30), QStringLiteral("f"));
    clickThenType(child<QWidget>("answerScroll"), QPoint(300, 5), QStringLiteral("g"));
    clickThenType(child<QWidget>("copyButton"), QPoint(20, 20), QStringLiteral("h"));
    clickThenType(overlay, QPoint(150, 150), QStringLiteral("i"));
    EXPECT_EQ(overlay->followUpQuestion(), QStringLiteral("defghi"));
    EXPECT_TRUE(overlay->isFollowUpFocused());
    EXPECT_EQ(closes, 0);
}

TEST_F(CustomOverlayViewTest, KeysTypedAfterTheFirstAnswerGoToTheFollowUpField)
{
    // Asked by typing, and by a quick action with the question field focused.
    for (const bool byQuickAction : { false, true }) {
        SCOPED_TRACE(byQuickAction ? "quick action" : "question");
        service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Answer")));
        show(QRectF(100, 100, 200, 100), sampleImage());
        ASSERT_TRUE(QTest::qWaitFor([this] { return overlay->isTextFieldFocused(); }, 1000));
        if (byQuickAction)
            click(quickAction(QuickAction::summarize));
        else
            type(questionField(), QStringLiteral("What is this?"));
        ASSERT_TRUE(waitForAnswer());
        ASSERT_TRUE(waitForFollowUpField());

        EXPECT_TRUE(QTest::qWaitFor([this] { return overlay->isFollowUpFocused(); }, 1000));
        QTest::keyClicks(nullptr, QStringLiteral("and more?"));
        EXPECT_EQ(overlay->followUpQuestion(), QStringLiteral("and more?"));
        delete host;
        AIManager::shared().resetForNewScreenshot();
    }
}

TEST_F(CustomOverlayViewTest, TabLeavesTheKeyboardInTheOnlyField)
{
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Answer")));
    show(QRectF(100, 100, 200, 100), sampleImage());
    ASSERT_TRUE(QTest::qWaitFor([this] { return overlay->isTextFieldFocused(); }, 1000));
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Tab);
    QTest::keyClicks(nullptr, QStringLiteral("a"));
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClicks(nullptr, QStringLiteral("b"));
    EXPECT_EQ(overlay->userQuestion(), QStringLiteral("ab"));

    QTest::keyClick(questionField(), Qt::Key_Return);
    ASSERT_TRUE(waitForAnswer());
    ASSERT_TRUE(waitForFollowUpField());
    ASSERT_TRUE(QTest::qWaitFor([this] { return overlay->isFollowUpFocused(); }, 1000));
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Tab);
    QTest::keyClicks(nullptr, QStringLiteral("c"));
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClicks(nullptr, QStringLiteral("d"));
    EXPECT_EQ(overlay->followUpQuestion(), QStringLiteral("cd"));
}

TEST_F(CustomOverlayViewTest, TheBoxAndThePillsHideWhateverTheScreenShowsBehindThem)
{
    // The same overlay over a black and over a white screen: what lies
    // behind may tint the box and the pills but never show through them
    // enough to read (a few levels at most).
    const auto look = [this](const QColor &screen) {
        delete host;
        QImage plain(QGuiApplication::primaryScreen()->size(), QImage::Format_RGB32);
        plain.fill(screen);
        host = new OverlayHost(plain);
        overlay = new CustomOverlayView(CurrentConversation::shared(), ChatWindowManager::shared(),
            QRectF(100, 100, 200, 100), sampleImage(),
            [](QuickAction) {}, [] {});
        host->setOverlay(overlay);
        host->show();
        return host->grab().toImage();
    };
    const QImage overBlack = look(Qt::black);
    const QPoint inBox = child<QWidget>("textBox")->geometry().topRight() + QPoint(-30, 26);
    const QPoint inPill = child<QuickActionRow>("quickActionRow")->geometry().topLeft() + QPoint(22, 4);
    const QImage overWhite = look(Qt::white);
    const qreal ratio = overBlack.devicePixelRatio();
    for (const QPoint &point : { inBox, inPill }) {
        const QColor black = overBlack.pixelColor(point * ratio);
        const QColor white = overWhite.pixelColor(point * ratio);
        EXPECT_LE(white.lightness() - black.lightness(), 6) << point.x() << "," << point.y();
        EXPECT_GT(black.lightness(), 200) << "still the light material";
    }
}

TEST_F(CustomOverlayViewTest, BesideTheSelectionTheGroupLeavesItUncovered)
{
    // No room above or below; 682 to the right is just room for the group
    // as it is drawn (460 + 12 + 194) and the 16 gap.
    const QRectF selection(30, 40, 68, 720);
    show(selection, sampleImage(QSize(68, 720)));
    const QRectF box = overlay->textBoxFrame();
    EXPECT_EQ(box.left(), selection.right() + 16);
    EXPECT_EQ(box.center().y(), selection.center().y());
    const QRect row = child<QuickActionRow>("quickActionRow")->geometry();
    EXPECT_LE(row.right() + 1, 780);
}
