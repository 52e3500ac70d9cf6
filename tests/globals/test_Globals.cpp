#include "globals/Globals.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(Globals, InitialisationMakesTheJobRunnerAndFinalisationReleasesEverything) {
    ASSERT_EQ(JobControl, nullptr);
    GlobalsInitialization([](const std::function<void()>& call) {
        call();
        return true;
    });
    ASSERT_NE(JobControl, nullptr);
    EXPECT_THROW(GlobalsInitialization([](const std::function<void()>&) { return false; }), std::logic_error);

    ASSERT_TRUE(ConfigOpen(ConfigDoc, "/nonexistent-folder/settings.xml", "settings"));
    std::weak_ptr<TConfigDocument> document = ConfigDoc;
    NamesTable = {{"USD", "Доллар"}};
    RatesTable = {{"1", "USD", "EUR"}};
    ExchangersTable = {{"1", "Обменник"}};

    GlobalsFinalization();
    EXPECT_EQ(JobControl, nullptr);
    EXPECT_EQ(ConfigDoc, nullptr);
    EXPECT_TRUE(document.expired()) << "the settings document outlived the finalisation";
    EXPECT_TRUE(NamesTable.empty());
    EXPECT_TRUE(RatesTable.empty());
    EXPECT_TRUE(ExchangersTable.empty());

    GlobalsFinalization(); // a second time is harmless
    GlobalsInitialization([](const std::function<void()>&) { return false; });
    EXPECT_NE(JobControl, nullptr);
    GlobalsFinalization();
}

} // namespace
