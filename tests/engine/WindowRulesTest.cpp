// The small rules the window follows: the tray's toggle per host kind, where a restored frame goes, how large
// the window must be for its text, and what the amount fields refuse.
#include "engine/AmountInput.h"
#include "engine/DesignScale.h"
#include "engine/TrayRule.h"
#include "engine/WindowPlacement.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

namespace {

TEST(TrayActivationToggles, ADoubleClickOnXEmbedAndASingleActivationOnAStatusNotifierHost) {
    const struct {
        TTrayActivation Reason;
        bool XEmbed;
        bool StatusNotifier;
    } cases[] = {
        {TTrayActivation::DoubleClick, true, true},   {TTrayActivation::Trigger, false, true},
        {TTrayActivation::MiddleClick, false, false}, {TTrayActivation::Context, false, false},
        {TTrayActivation::Unknown, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Reason));
        EXPECT_EQ(TrayActivationToggles(TTrayHost::XEmbed, c.Reason), c.XEmbed);
        EXPECT_EQ(TrayActivationToggles(TTrayHost::StatusNotifier, c.Reason), c.StatusNotifier);
        EXPECT_FALSE(TrayActivationToggles(TTrayHost::None, c.Reason));
    }
}

const std::vector<TFrame> kSmallScreen = {{0, 0, 800, 600}};

TEST(PlaceFrameOnScreens, AFrameThatFitsStaysWhereItIs) {
    EXPECT_EQ(PlaceFrameOnScreens({120, 80, 600, 400}, kSmallScreen), (TFrame{120, 80, 600, 400}));
    EXPECT_EQ(PlaceFrameOnScreens({0, 0, 800, 600}, kSmallScreen), (TFrame{0, 0, 800, 600}));
    EXPECT_EQ(PlaceFrameOnScreens({5, 5, 10, 10}, {}), (TFrame{5, 5, 10, 10}));
}

TEST(PlaceFrameOnScreens, AFrameSavedOnALargerScreenComesBackWholeOnTheSmallOne) {
    // Saved on a 1920x1080 screen at its right edge.
    EXPECT_EQ(PlaceFrameOnScreens({1500, 700, 400, 300}, kSmallScreen), (TFrame{400, 300, 400, 300}));
    // Larger than the screen: shrunk to it.
    EXPECT_EQ(PlaceFrameOnScreens({100, 50, 1600, 1000}, kSmallScreen), (TFrame{0, 0, 800, 600}));
    // Off to the top left.
    EXPECT_EQ(PlaceFrameOnScreens({-900, -30, 600, 400}, kSmallScreen), (TFrame{0, 0, 600, 400}));
    // An available area that leaves room for a panel at the top.
    EXPECT_EQ(PlaceFrameOnScreens({10, 0, 600, 700}, {{0, 32, 800, 568}}), (TFrame{10, 32, 600, 568}));
}

TEST(PlaceFrameOnScreens, HandEditedExtremesNeverOverflow) {
    EXPECT_EQ(PlaceFrameOnScreens({0, 0, 100000, 100000}, kSmallScreen), (TFrame{0, 0, 800, 600}));
    EXPECT_EQ(PlaceFrameOnScreens({INT_MAX, INT_MIN, INT_MAX, INT_MAX}, kSmallScreen),
              (TFrame{0, 0, 800, 600}));
    EXPECT_EQ(PlaceFrameOnScreens({INT_MIN, INT_MAX, 0, -5}, kSmallScreen), (TFrame{0, 599, 1, 1}));
}

TEST(PlaceFrameOnScreens, ChoosesTheScreenTheFrameOverlapsMostOrTheNearestOne) {
    const std::vector<TFrame> two = {{0, 0, 1280, 1024}, {1280, 0, 800, 600}};
    // Mostly on the right-hand screen, hanging below it.
    EXPECT_EQ(PlaceFrameOnScreens({1200, 400, 500, 400}, two), (TFrame{1280, 200, 500, 400}));
    // On no screen, beyond the right-hand one.
    EXPECT_EQ(PlaceFrameOnScreens({2500, 100, 500, 400}, two), (TFrame{1580, 100, 500, 400}));
    // Below the left-hand one, under the gap the smaller screen leaves.
    EXPECT_EQ(PlaceFrameOnScreens({1300, 1100, 500, 400}, two), (TFrame{780, 624, 500, 400}));
}

TEST(MinimumOuterSize, GrowsWithTheTextAndTheLayoutWithinTheScreenButNeverBelowTheDesign) {
    EXPECT_EQ(DesignScaleForDpi(72), 1.0);
    EXPECT_EQ(DesignScaleForDpi(120), 1.25);
    EXPECT_EQ(DesignScaleForDpi(std::numeric_limits<double>::quiet_NaN()), 1.0);
    EXPECT_EQ(ScaledPixels(37, 1.5), 56);
    EXPECT_EQ(ScaledPixels(INT_MAX, 4.0), INT_MAX);
    const TExtent design{568, 347};
    EXPECT_EQ(MinimumOuterSize(design, 1.0, {127, 199}, {1600, 1200}), design);
    EXPECT_EQ(MinimumOuterSize(design, DesignScaleForDpi(192), {159, 288}, {1600, 1200}),
              (TExtent{1136, 694}));
    EXPECT_EQ(MinimumOuterSize(design, 1.0, {700, 100}, {}), (TExtent{700, 347}));
    EXPECT_EQ(MinimumOuterSize(design, 2.0, {}, {1024, 600}), (TExtent{1024, 600}));
    EXPECT_EQ(MinimumOuterSize(design, 2.0, {}, {500, 300}), design);
}

TEST(GrownToFit, GrowsOnlyWhereTooSmallAndMovesBackOntoTheScreen) {
    const TFrame area{0, 0, 1024, 768};
    EXPECT_EQ(GrownToFit({10, 20, 600, 400}, {568, 500}, area), (TFrame{10, 20, 600, 500}));
    // Near the bottom it rises as it grows; a window already partly off the screen that fits is left alone.
    EXPECT_EQ(GrownToFit({10, 500, 600, 200}, {568, 400}, area), (TFrame{10, 368, 600, 400}));
    EXPECT_EQ(GrownToFit({-50, 700, 600, 400}, {568, 347}, area), (TFrame{-50, 700, 600, 400}));
    EXPECT_EQ(GrownToFit({-50, 700, 500, 400}, {568, 347}, {}), (TFrame{-50, 700, 568, 400}));
}

TEST(AmountInput, TakesUpToTenDigitsWithOneSeparatorAndSaysWhyItRefusesTheRest) {
    EXPECT_EQ(CheckAmountInput("", 10), TAmountInput::Accepted);
    EXPECT_EQ(CheckAmountInput("0123456789", 10), TAmountInput::Accepted);
    EXPECT_EQ(CheckAmountInput("1.5", 10), TAmountInput::Accepted);
    EXPECT_EQ(CheckAmountInput("0,5", 10), TAmountInput::Accepted);
    EXPECT_EQ(CheckAmountInput(",", 10), TAmountInput::Accepted); // on the way to ",5"
    EXPECT_EQ(CheckAmountInput("12345,67890", 10), TAmountInput::Accepted);
    EXPECT_EQ(CheckAmountInput("12345,678901", 10), TAmountInput::TooLong); // the separator is no digit
    EXPECT_EQ(CheckAmountInput("1,5,", 10), TAmountInput::NotDigits);
    EXPECT_EQ(CheckAmountInput("1.5,", 10), TAmountInput::NotDigits);
    EXPECT_EQ(CheckAmountInput("-1", 10), TAmountInput::NotDigits);
    EXPECT_EQ(CheckAmountInput("\xD9\xA3", 10), TAmountInput::NotDigits); // an Arabic-Indic digit
    EXPECT_EQ(CheckAmountInput("12345678901", 10), TAmountInput::TooLong);
    EXPECT_EQ(CheckAmountInput("1234567890x", 10), TAmountInput::NotDigits);
    EXPECT_EQ(RefusedAmountHint(TAmountInput::NotDigits, 10),
              "Можно вводить только цифры и одну запятую или точку");
    EXPECT_EQ(RefusedAmountHint(TAmountInput::TooLong, 10), "Не больше 10 цифр");
    EXPECT_EQ(RefusedAmountHint(TAmountInput::TooLong, 21), "Не больше 21 цифры");
    EXPECT_EQ(RefusedAmountHint(TAmountInput::Accepted, 10), "");

    // settings.xml keeps "."; a text without a digit is kept empty so the next start reads it.
    EXPECT_EQ(StoredAmountText("0,5"), "0.5");
    EXPECT_EQ(StoredAmountText("100"), "100");
    EXPECT_EQ(StoredAmountText(","), "");
    EXPECT_EQ(StoredAmountText(""), "");
}

} // namespace
