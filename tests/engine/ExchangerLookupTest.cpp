#include "engine/ExchangerLookup.h"

#include "engine/Offers.h"
#include "engine/Text.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(ExchangerLookup, FindsTheFirstRowWithTheIdAsExchangerIndexDoes) {
    const TStringMatrix exchangers = {{"7", "Seven", "", ""},     {},
                                      {"10", "Ten", "", ""},      {"7", "Shadow of seven", "", ""},
                                      {"", "No id", "", ""},      {"1", "One", "", ""},
                                      {"07", "Oh-seven", "", ""}, {"10", "Ten again", "", ""}};
    TExchangerLookup lookup(exchangers);
    for (const char* id : {"7", "10", "1", "07", "", "0", "70", "100", "2", "x"}) {
        EXPECT_EQ(lookup.Find(id), ExchangerIndex(exchangers, id)) << '"' << id << '"';
    }
    EXPECT_EQ(lookup.Find("7"), 0);
    EXPECT_EQ(lookup.Find("10"), 2);
    EXPECT_EQ(lookup.Find(""), 4);
    EXPECT_EQ(lookup.Find("70"), -1);
    EXPECT_EQ(TExchangerLookup(TStringMatrix{}).Find("1"), -1);
    EXPECT_EQ(TExchangerLookup(TStringMatrix{{}, {}}).Find(""), -1); // a row without columns has no id

    // Many rows sharing few ids, in scrambled order: the first of each still serves.
    TStringMatrix many;
    for (int i = 0; i < 2000; ++i) {
        many.push_back({std::to_string((i * 7919) % 300), std::to_string(i), "", ""});
    }
    TExchangerLookup manyLookup(many);
    for (int id = 0; id < 310; ++id) {
        EXPECT_EQ(manyLookup.Find(std::to_string(id)), ExchangerIndex(many, std::to_string(id))) << id;
    }
}

// What the name was before it was cut first: the whole name converted, then cut to 20 bytes.
std::string WholeNameCut(const std::string& Name) {
    return AnsiToUtf8(Utf8ToAnsi(Name).substr(0, 20));
}

TEST(ExchangerName, EqualsTheWholeNameConvertedThenCut) {
    const std::string zhe = "\xD0\x96";     // Ж, one byte in the code page
    const std::string han = "\xE4\xB8\xAD"; // 中, missing from it
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::string names[] = {
        "",
        "Short",
        "ABCDEFGHIJKLMNOPQRST",
        "ABCDEFGHIJKLMNOPQRSTU",
        std::string(19, 'a') + zhe + zhe,   // a two-byte character ends the cut
        std::string(19, 'a') + han + "b",   // a missing character ends it
        std::string(19, 'a') + emoji + "b", // a four-byte one
        std::string(20, 'a') + han,         // just past it
        std::string(19, 'a') + "\xE4\xB8",  // a sequence cut short at the end of the name
        std::string(19, 'a') + "\xE4\xB8" + "b",
        std::string(18, 'a') + "\xF0\x9F\x98" + "bc",
        std::string(19, 'a') + "\x80\x80\x80", // lone continuation bytes: one substitute each
        std::string(19, 'a') + "\xC0\xAF" + "z",
        std::string(19, 'a') + "\xED\xA0\x80", // an encoded surrogate
        std::string(19, 'a') + "\xF4\x90\x80\x80",
        std::string(19, 'a') + "\xFF",
        [&] {
            std::string s;
            for (int i = 0; i < 25; ++i) {
                s += zhe;
            }
            return s;
        }(),
        "\xE2\x82\xAC\xC3\xA9\xD0\x81\xE2\x84\x96 Exchanger with euro, e-acute, Yo, numero",
    };
    for (const std::string& name : names) {
        EXPECT_EQ(ExchangerName(name), WholeNameCut(name)) << testing::PrintToString(name);
    }

    // Random bytes weighted towards UTF-8 lead and continuation bytes find the boundary cases not listed.
    std::mt19937 random(15);
    const std::string alphabet =
        "aZ ;\x80\x8F\x96\x98\xA0\xB8\xBF\xC2\xD0\xD1\xE0\xE2\xED\xEF\xF0\xF4\xF5\xFF";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int i = 0; i < 20000; ++i) {
        std::string name;
        for (int n = length(random); n > 0; --n) {
            name += alphabet[pick(random)];
        }
        ASSERT_EQ(ExchangerName(name), WholeNameCut(name)) << testing::PrintToString(name);
    }
}

} // namespace
