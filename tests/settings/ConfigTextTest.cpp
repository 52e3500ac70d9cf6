#include "settings/XMLConf.h"

#include <gtest/gtest.h>

namespace {

TEST(ConfigValueTest, TextOfEachKind) {
    EXPECT_EQ(TConfigValue(120).Text(), "120");
    EXPECT_EQ(TConfigValue(-8).Text(), "-8");
    EXPECT_EQ(TConfigValue(std::int64_t{-9000000000}).Text(), "-9000000000");
    EXPECT_EQ(TConfigValue(true).Text(), "true");
    EXPECT_EQ(TConfigValue(false).Text(), "false");
    EXPECT_EQ(TConfigValue("007").Text(), "007");
    EXPECT_EQ(TConfigValue(std::string()).Text(), "");
    EXPECT_EQ(TConfigValue("true").GetKind(), TConfigValue::Kind::String);
}

TEST(ConfigTextTest, BooleansFromWordsAndNumbers) {
    const std::vector<std::pair<std::string, bool>> good = {
        {"true", true}, {"TRUE", true},   {"False", false}, {"false", false},
        {"0", false},   {"-0", false},    {"1", true},      {"-1", true},
        {"42", true},   {" true ", true}, {"000", false},   {"99999999999999999999", true},
    };
    for (const auto& [text, expected] : good) {
        EXPECT_EQ(ConfigTextToBool(text), expected) << text;
    }
    for (const std::string text : {"", "yes", "t", "1.0", "+", "tru e", "0x1"}) {
        EXPECT_THROW(ConfigTextToBool(text), EConfigError) << text;
    }
    try {
        ConfigTextToBool("abc");
        ADD_FAILURE();
    } catch (const EConfigError& error) {
        EXPECT_STREQ(error.what(), "'abc' is not a valid boolean value");
    }
}

TEST(ConfigTextTest, IntegersWithinThirtyTwoBits) {
    const std::vector<std::pair<std::string, std::int32_t>> good = {
        {"0", 0},
        {"120", 120},
        {"-8", -8},
        {"+5", 5},
        {" 42 ", 42},
        {"\t7\r\n", 7},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& [text, expected] : good) {
        EXPECT_EQ(ConfigTextToInt(text), expected) << text;
    }
    for (const std::string text : {"", " ", "abc", "-", "1.5", "1e3", "2147483648", "-2147483649",
                                   "99999999999999999999", "4 2", "--1", "0x10"}) {
        EXPECT_THROW(ConfigTextToInt(text), EConfigError) << text;
    }
    try {
        ConfigTextToInt("abc");
        ADD_FAILURE();
    } catch (const EConfigError& error) {
        EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
    }
}

TEST(ConfigTextTest, AmountsComeBackAsShortestFourDecimalText) {
    const std::vector<std::pair<std::string, std::string>> good = {
        {"0042", "42"},
        {"12.50", "12.5"},
        {"1.23456", "1.2346"},
        {"007", "7"},
        {"0", "0"},
        {"0.0000", "0"},
        {"-0.00001", "0"},
        {".5", "0.5"},
        {"5.", "5"},
        {" 3.1 ", "3.1"},
        {"-2.5", "-2.5"},
        {"+1", "1"},
        {"1.00005", "1"},
        {"1.00015", "1.0002"},
        {"1.000051", "1.0001"},
        {"1.00025", "1.0002"},
        {"0.99995", "1"},
        {"1.00004999", "1"},
        {"922337203685477.5807", "922337203685477.5807"},
        {"-922337203685477.5808", "-922337203685477.5808"},
    };
    for (const auto& [text, expected] : good) {
        EXPECT_EQ(ConfigTextToAmountText(text), expected) << text;
    }
    for (const std::string text :
         {"", ".", "-", "abc", "1,5", "1.2.3", "1e3", "1 000", "922337203685477.5808", "1000000000000000"}) {
        EXPECT_THROW(ConfigTextToAmountText(text), EConfigError) << text;
    }
    try {
        ConfigTextToAmountText("1,5");
        ADD_FAILURE();
    } catch (const EConfigError& error) {
        EXPECT_STREQ(error.what(), "'1,5' is not a valid floating point value");
    }
}

} // namespace
