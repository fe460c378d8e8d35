// The look of the onboarding buttons: primary and secondary, dimmed, pressed.

#include "onboarding/CleanButton.h"

#include "ui/Palette.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

// The button drawn on nothing but itself.
QImage picture(CleanButton &button)
{
    button.resize(300, button.sizeHint().height());
    QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    button.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Whether some pixel has the colour, give or take rounding.
bool shows(const QImage &image, const QColor &colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAbs(qRed(pixel) - colour.red()) <= 3 && qAbs(qGreen(pixel) - colour.green()) <= 3
                && qAbs(qBlue(pixel) - colour.blue()) <= 3 && qAbs(qAlpha(pixel) - colour.alpha()) <= 3)
                return true;
        }
    return false;
}

// The colour over the background, as drawn.
QColor over(const QColor &top, const QColor &below)
{
    QColor result = top;
    result.setAlphaF(top.alphaF() + below.alphaF() * (1 - top.alphaF()));
    return result;
}

} // namespace

TEST(CleanButtonTest, PrimarySecondaryAndDimmedLooks)
{
    const QColor secondaryBackground = Palette::withOpacity(Palette::quaternaryLabel(), 0.5);
    const struct
    {
        const char *name;
        CleanButtonStyle style;
        QColor background;
        QColor title;
    } cases[] = {
        { "primary", {}, Palette::blue(), Qt::white },
        { "secondary", { .isPrimary = false }, secondaryBackground,
            over(Palette::primaryLabel(), secondaryBackground) },
        { "dimmed", { .isEnabled = false }, Palette::withOpacity(Palette::blue(), 0.6),
            Palette::withOpacity(Qt::white, 0.6) },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CleanButton button(QStringLiteral("Continue"), c.style);
        EXPECT_EQ(button.sizeHint().height(), button.fontMetrics().height() + 32);
        const QImage image = picture(button);
        const QColor background = image.pixelColor(8, image.height() / 2);
        EXPECT_NEAR(background.alpha(), c.background.alpha(), 2);
        if (c.background.alpha() > 100) {
            EXPECT_EQ(background.rgb(), c.background.rgb());
        }
        EXPECT_TRUE(shows(image, c.title)) << "no title in " << c.title.name(QColor::HexArgb).toStdString();
    }
}

TEST(CleanButtonTest, FillsTheWidthItIsGiven)
{
    CleanButton button(QStringLiteral("Get Started"));
    EXPECT_EQ(button.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    EXPECT_EQ(button.minimumSizeHint().width(), 0);
}

TEST(CleanButtonTest, ShrinksWhilePressedAndComesBack)
{
    CleanButton button(QStringLiteral("Get Started"));
    button.resize(300, 60);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    int clicked = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicked; });

    QElapsedTimer sincePress;
    sincePress.start();
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(button.pressScale(), 1) << "it eases, not jumps";
    ASSERT_TRUE(QTest::qWaitFor([&] { return button.pressScale() == 0.98; }, 10000));
    EXPECT_GE(sincePress.elapsed(), 90) << "over a tenth of a second";

    QTest::mouseRelease(&button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button.pressScale() == 1; }, 10000));
    EXPECT_EQ(clicked, 1);

    // Keys press it as well, and it comes back after.
    button.setFocus();
    QTest::keyClick(&button, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return clicked == 2; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return button.pressScale() == 1; }, 10000));
}

TEST(CleanButtonTest, AFocusGivenByThePageOrTheKeyboardShowsARingThatStandsOut)
{
    for (const bool primary : { true, false }) {
        SCOPED_TRACE(primary ? "primary" : "secondary");
        QWidget window;
        auto *button = new CleanButton(QStringLiteral("Get Started"), { .isPrimary = primary }, &window);
        auto *other = new CleanButton(QStringLiteral("Other"), {}, &window);
        other->move(0, 100);
        window.resize(320, 200);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        other->setFocus(Qt::OtherFocusReason);
        const QImage unfocused = picture(*button);
        const QColor fill = unfocused.pixelColor(8, unfocused.height() / 2);

        // The first focus a page gives, then one from Tab.
        for (const Qt::FocusReason reason : { Qt::OtherFocusReason, Qt::TabFocusReason }) {
            other->setFocus(Qt::OtherFocusReason);
            button->setFocus(reason);
            ASSERT_TRUE(button->hasFocus());
            const QImage focused = picture(*button);
            // Some pixel of the ring differs from the fill as much as a
            // title does: a ring of the fill's own colour would not show.
            int strongest = 0;
            for (int y = 0; y < focused.height(); ++y)
                for (int x = 0; x < focused.width(); ++x) {
                    if (focused.pixel(x, y) == unfocused.pixel(x, y))
                        continue;
                    const QColor c = focused.pixelColor(x, y);
                    strongest = qMax(strongest,
                        qAbs(qGray(c.rgb()) - qGray(fill.rgb())) + qAbs(c.blue() - fill.blue()));
                }
            EXPECT_GT(strongest, 80) << "focus reason " << reason;
        }
        // A click gives no ring.
        other->setFocus(Qt::OtherFocusReason);
        button->setFocus(Qt::MouseFocusReason);
        EXPECT_EQ(picture(*button), unfocused);
    }
}
