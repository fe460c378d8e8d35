#include "PointerEvents.h"
#include "capture/ExpandableResponseButton.h"
#include "capture/QuickActionRow.h"
#include "capture/ResponseButton.h"
#include "capture/SpotlightActionButton.h"
#include "ui/AnimatedValue.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Records the hover reports together with the hover look at each report.
struct HoverLog
{
    QList<std::pair<bool, qreal>> reports;
    HoverButton *button = nullptr;

    std::function<void(bool)> callback()
    {
        return [this](bool hovering) { reports.append({ hovering, button->hoverLook() }); };
    }
};

class OverlayButtonsTest : public ::testing::Test
{
protected:
    OverlayButtonsTest() { AnimatedValue::setFinishAtOnce(true); }
    ~OverlayButtonsTest() override { AnimatedValue::setFinishAtOnce(false); }
};

} // namespace

TEST_F(OverlayButtonsTest, QuickActionPillWidensFrom44To160AndReportsHoverBeforeItMoves)
{
    HoverLog log;
    int taps = 0;
    SpotlightActionButton button(
        QuickAction::extractText, false, [&] { ++taps; }, log.callback());
    log.button = &button;
    button.show();
    EXPECT_EQ(button.sizeHint(), QSize(44, 44));
    EXPECT_EQ(button.text(), QStringLiteral("Extract Text"));

    pointerEnters(&button);
    EXPECT_EQ(button.hoverProgress(), 1);
    EXPECT_EQ(button.hoverLook(), 1);
    EXPECT_EQ(button.sizeHint(), QSize(160, 44));

    pointerLeaves(&button);
    EXPECT_EQ(button.sizeHint(), QSize(44, 44));
    // Each report came before the look had moved.
    EXPECT_EQ(log.reports, (QList<std::pair<bool, qreal>> { { true, 0 }, { false, 1 } }));

    // The whole pill takes clicks, its padding too.
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(2, 22));
    EXPECT_EQ(taps, 1);
}

TEST_F(OverlayButtonsTest, ALeaveDuringTheSpringTurnsItBackFromWhereItStands)
{
    AnimatedValue::setFinishAtOnce(false);
    SpotlightActionButton button(QuickAction::summarize, false, nullptr, nullptr);
    button.show();
    pointerEnters(&button);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button.hoverLook() > 0.3; }, 10000));
    pointerLeaves(&button);
    const qreal turnedAt = button.hoverLook();
    EXPECT_GT(turnedAt, 0.3);
    EXPECT_EQ(button.hoverProgress(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button.hoverLook() == 0; }, 10000));
    EXPECT_EQ(button.sizeHint(), QSize(44, 44));
}

TEST_F(OverlayButtonsTest, TheOwnersHoverFlagChangesNothingOfTheLook)
{
    SpotlightActionButton plain(QuickAction::explain, false, nullptr, nullptr);
    SpotlightActionButton flagged(QuickAction::explain, true, nullptr, nullptr);
    EXPECT_TRUE(flagged.isHovered());
    EXPECT_EQ(plain.sizeHint(), flagged.sizeHint());
    EXPECT_EQ(plain.grab().toImage(), flagged.grab().toImage());
}

TEST_F(OverlayButtonsTest, TheRowHoldsOneButtonPerActionInOrderAndGrowsToTheRight)
{
    QuickActionRow row;
    row.show();
    QStringList titles;
    for (const SpotlightActionButton *button : row.buttons())
        titles.append(button->text());
    EXPECT_EQ(titles, QStringList({ "Summarize", "Extract Text", "Explain", "Identify" }));
    EXPECT_EQ(row.width(), QuickActionRow::restingWidth());
    EXPECT_EQ(QuickActionRow::restingWidth(), 4 * 44 + 3 * 6);

    std::optional<std::pair<QuickAction, bool>> reported;
    QObject::connect(&row, &QuickActionRow::actionHovered, [&](QuickAction action, bool hovering) {
        reported = { action, hovering };
    });
    pointerEnters(row.button(QuickAction::explain));
    EXPECT_EQ(reported, std::make_pair(QuickAction::explain, true));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(row.width(), QuickActionRow::restingWidth() + 116);
    EXPECT_EQ(row.button(QuickAction::summarize)->x(), 0);
}

TEST_F(OverlayButtonsTest, ResponsePillShowsItsLabelOnlyWhileWidened)
{
    int taps = 0;
    ExpandableResponseButton button(
        QStringLiteral("doc.on.doc"), QStringLiteral("Copy"), false, [&] { ++taps; }, nullptr);
    button.show();
    EXPECT_DOUBLE_EQ(ExpandableResponseButton::pillWidth(0), 62.4);
    EXPECT_DOUBLE_EQ(ExpandableResponseButton::pillWidth(1), 136);
    EXPECT_EQ(button.sizeHint(), QSize(63, 40));
    const QImage atRest = button.grab().toImage();

    pointerEnters(&button);
    EXPECT_EQ(button.sizeHint(), QSize(136, 40));
    button.resize(button.sizeHint());
    const QImage widened = button.grab().toImage();
    // The label stands in the widened part: it has dark pixels there.
    bool labelDrawn = false;
    for (int x = 62; x < 130 && !labelDrawn; ++x) {
        for (int y = 10; y < 30 && !labelDrawn; ++y)
            labelDrawn
                = qGray(widened.pixel(x * widened.devicePixelRatio(), y * widened.devicePixelRatio())) < 120;
    }
    EXPECT_TRUE(labelDrawn);

    pointerLeaves(&button);
    button.resize(button.sizeHint());
    EXPECT_EQ(button.grab().toImage(), atRest);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(60, 38));
    EXPECT_EQ(taps, 1);
}

TEST_F(OverlayButtonsTest, TheIconDiscSwellsByFivePercent)
{
    QList<bool> reports;
    ResponseButton button(QStringLiteral("doc.on.doc"), false, nullptr, [&](bool h) { reports.append(h); });
    EXPECT_EQ(button.discScale(), 1);
    pointerEnters(&button);
    EXPECT_DOUBLE_EQ(button.discScale(), 1.05);
    pointerLeaves(&button);
    EXPECT_EQ(button.discScale(), 1);
    EXPECT_EQ(reports, QList<bool>({ true, false }));
}
