#include "engine/LiveSettings.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class LiveSettings : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(ConfigOpen(Doc, Dir / "settings.xml", "settings")); }

    std::string Saved() {
        EXPECT_TRUE(ConfigSave(Doc, Dir / "settings.xml"));
        return ReadFileBytes(Dir / "settings.xml");
    }

    TTempDir Dir;
    TConfigDoc Doc;
};

TEST_F(LiveSettings, DefaultsReadBackWhenNothingIsStoredAndNeverEnterTheFileByThemselves) {
    ConfigWrite(Doc, "Window/X", 120);
    const std::string before = Saved();
    EXPECT_TRUE(ReadUseSavedFeeds(Doc));
    EXPECT_EQ(ReadAutoRefreshMinutes(Doc), 0);
    EXPECT_TRUE(ReadRateAlerts(Doc).empty());
    WriteUnlessDefault(Doc, kUseSavedKey, true, true);
    WriteUnlessDefault(Doc, kAutoMinutesKey, 0, 0);
    WriteRateAlerts(Doc, {});
    EXPECT_EQ(Saved(), before);
}

TEST_F(LiveSettings, AChangedValueIsStoredAndOnceStoredItFollowsBackToTheDefault) {
    WriteUnlessDefault(Doc, kAutoMinutesKey, 5, 0);
    EXPECT_EQ(ReadAutoRefreshMinutes(Doc), 5);
    WriteUnlessDefault(Doc, kAutoMinutesKey, 0, 0);
    EXPECT_EQ(ReadAutoRefreshMinutes(Doc), 0);
    std::string stored;
    ASSERT_TRUE(ConfigRead(Doc, kAutoMinutesKey, stored));
    EXPECT_EQ(stored, "0");

    WriteUnlessDefault(Doc, kUseSavedKey, false, true);
    EXPECT_FALSE(ReadUseSavedFeeds(Doc));
    ConfigWrite(Doc, kUseSavedKey, "maybe"); // hand-edited: the default stands
    EXPECT_TRUE(ReadUseSavedFeeds(Doc));
    ConfigWrite(Doc, kAutoMinutesKey, "abc");
    EXPECT_EQ(ReadAutoRefreshMinutes(Doc), 0);
}

TEST_F(LiveSettings, AlertsRoundTripWithFreeTextNamesAsValuesAndLeaveNoTraceOnceRemoved) {
    ConfigWrite(Doc, "Window/X", 120);
    const std::string before = Saved();
    const std::vector<TRateAlert> alerts = {
        {"Bitcoin BTC", "Сбербанк RUB", "3000000", true},
        {"1st <coin> & \"co\"", "Tether ERC-20 / USDT", "0.5", false},
    };
    WriteRateAlerts(Doc, alerts);
    EXPECT_EQ(ReadRateAlerts(Doc), alerts);
    const std::string saved = Saved();
    EXPECT_NE(saved.find("\t\t<Alert2>\r\n\t\t\t<Give>1st &lt;coin&gt; &amp; \"co\"</Give>"),
              std::string::npos)
        << saved;
    TConfigDoc reloaded;
    ASSERT_TRUE(ConfigOpen(reloaded, Dir / "settings.xml", "settings"));
    EXPECT_EQ(ReadRateAlerts(reloaded), alerts);

    WriteRateAlerts(Doc, {alerts[1]});
    EXPECT_EQ(ReadRateAlerts(Doc), std::vector<TRateAlert>{alerts[1]});
    WriteRateAlerts(Doc, {});
    EXPECT_EQ(Saved(), before);
}

TEST_F(LiveSettings, AnAlertWithoutItsPairIsSkippedAndTheOthersStillRead) {
    ConfigWrite(Doc, "Alerts/Alert1/Give", "A");
    ConfigWrite(Doc, "Alerts/Alert2/Give", "B");
    ConfigWrite(Doc, "Alerts/Alert2/Get", "C");
    ConfigWrite(Doc, "Alerts/Alert2/Level", "2");
    ConfigWrite(Doc, "Alerts/Alert2/Enabled", "perhaps");
    ConfigWrite(Doc, "Alerts/Alert4/Give", "D");
    ConfigWrite(Doc, "Alerts/Alert4/Get", "E");
    ConfigWrite(Doc, "Alerts/Alert4/Level", "3");
    ConfigWrite(Doc, "Alerts/Alert4/Get/Nested", "x"); // an element where a value should be
    const std::vector<TRateAlert> read = ReadRateAlerts(Doc);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0], (TRateAlert{"B", "C", "2", false}));
}

TEST_F(LiveSettings, EntriesPastTheLimitAreNeitherReadNorLostWhenTheOthersAreWritten) {
    std::vector<TRateAlert> alerts(102, {"A", "B", "1", true});
    WriteRateAlerts(Doc, alerts); // the first hundred
    ConfigWrite(Doc, "Alerts/Alert101/Give", "A");
    ConfigWrite(Doc, "Alerts/Alert102/Level", "2");
    EXPECT_EQ(ReadRateAlerts(Doc).size(), 100u);
    EXPECT_EQ(CountRateAlertsPastTheLimit(Doc), 2);
    WriteRateAlerts(Doc, {{"C", "D", "3", false}});
    EXPECT_EQ(ConfigChildNames(Doc, "Alerts"), (std::vector<std::string>{"Alert1", "Alert101", "Alert102"}));
    EXPECT_EQ(ConfigReadStored(Doc, "Alerts/Alert102/Level"), "2");
    WriteRateAlerts(Doc, {});
    EXPECT_EQ(CountRateAlertsPastTheLimit(Doc), 2);
}

} // namespace
