#include "settings/MiniReg.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using TBytes = std::vector<std::uint8_t>;

class MiniRegTest : public ::testing::Test {
  protected:
    TTempDir FDir;
    TRegRoot FRoot{FDir / "registry"};
};

TEST(LastCharPosTest, PositionCountedFromOne) {
    EXPECT_EQ(LastCharPos('\\', R"(Software\Lorvane\Kovrin\GUID)"), 24);
    EXPECT_EQ(LastCharPos('\\', "\\"), 1);
    EXPECT_EQ(LastCharPos('\\', "GUID"), 0);
    EXPECT_EQ(LastCharPos('\\', ""), 0);
    EXPECT_EQ(LastCharPos('a', "banana"), 6);
}

TEST_F(MiniRegTest, TypedValuesKeepTheirBytesAndTheStoredForm) {
    const TBytes binary = {0x00, 0xFF, 0x10, 0x00};
    ASSERT_TRUE(RegWriteValue(FRoot, R"(Software\Test\Blob)", REG_BINARY, binary));
    ASSERT_TRUE(RegWriteValue(FRoot, R"(Software\Test\Empty)", REG_BINARY, {}));
    ASSERT_TRUE(RegWriteValue(FRoot, R"(Software\Test\Count)", REG_DWORD, {0x2A, 0, 0, 0}));
    EXPECT_EQ(ReadFileBytes(FRoot.Folder / "Software" / "Test" / "Blob"),
              std::string("\x03\0\0\0\0\xFF\x10\0", 8));

    TBytes data;
    ASSERT_TRUE(RegReadValue(FRoot, R"(Software\Test\Blob)", REG_BINARY, data));
    EXPECT_EQ(data, binary);
    ASSERT_TRUE(RegReadValue(FRoot, R"(Software\Test\Empty)", REG_BINARY, data));
    EXPECT_TRUE(data.empty());
    ASSERT_TRUE(RegReadValue(FRoot, R"(Software\Test\Count)", REG_DWORD, data));
    EXPECT_EQ(data, (TBytes{0x2A, 0, 0, 0}));

    // Rewriting replaces the type as well as the data.
    ASSERT_TRUE(RegWriteString(FRoot, R"(Software\Test\Count)", "now text"));
    EXPECT_FALSE(RegReadValue(FRoot, R"(Software\Test\Count)", REG_DWORD, data));
}

TEST_F(MiniRegTest, WrongTypeOrMissingValueLeavesTheOutputAlone) {
    ASSERT_TRUE(RegWriteValue(FRoot, R"(K\V)", REG_EXPAND_SZ, {'a', 0, 0, 0}));
    ASSERT_TRUE(RegWriteValue(FRoot, R"(K\Inner\V)", REG_SZ, {0, 0}));
    TBytes data = {9};
    std::string text = "kept";
    EXPECT_FALSE(RegReadValue(FRoot, R"(K\V)", REG_SZ, data));
    EXPECT_FALSE(RegReadString(FRoot, R"(K\V)", text));
    EXPECT_FALSE(RegReadValue(FRoot, R"(K\Missing)", REG_SZ, data));
    EXPECT_FALSE(RegReadValue(FRoot, R"(Nowhere\V)", REG_SZ, data));
    EXPECT_FALSE(RegReadValue(FRoot, R"(K\Inner)", REG_SZ, data)); // a key, not a value
    // A file too short to hold a type is no value.
    fs::create_directories(FRoot.Folder / "K");
    WriteFileBytes(FRoot.Folder / "K" / "Short", std::string("\x01\0", 2));
    EXPECT_FALSE(RegReadString(FRoot, R"(K\Short)", text));
    EXPECT_EQ(data, TBytes{9});
    EXPECT_EQ(text, "kept");
}

TEST_F(MiniRegTest, StringsTravelAsUtf16WithOneTerminator) {
    ASSERT_TRUE(RegWriteString(FRoot, R"(Software\Lorvane\Kovrin\GUID)", "AB"));
    EXPECT_EQ(ReadFileBytes(FRoot.Folder / "Software" / "Lorvane" / "Kovrin" / "GUID"),
              std::string("\x01\0\0\0A\0B\0\0\0", 10));
    for (const std::string value :
         {"", "{0F8FAD5B-D9CB-469F-A165-70867728950E}", "Коврин", "a\xF0\x9F\x98\x80z"}) {
        ASSERT_TRUE(RegWriteString(FRoot, R"(S\V)", value));
        std::string back;
        ASSERT_TRUE(RegReadString(FRoot, R"(S\V)", back));
        EXPECT_EQ(back, value);
    }
    // Invalid UTF-8 is stored as U+FFFD rather than refused.
    ASSERT_TRUE(RegWriteString(FRoot, R"(S\V)", "a\xFF"));
    std::string back;
    ASSERT_TRUE(RegReadString(FRoot, R"(S\V)", back));
    EXPECT_EQ(back, "a\xEF\xBF\xBD");
}

TEST_F(MiniRegTest, LastCodeUnitIsAlwaysTakenAsTheTerminator) {
    const std::vector<std::pair<TBytes, std::string>> cases = {
        {{'G', 0, 'U', 0, 'I', 0, 'D', 0}, "GUI"}, // written by another tool without a terminator
        {{'A', 0}, ""},
        {{'A'}, ""},
        {{}, ""},
        {{'A', 0, 'B'}, ""},
        {{0x3D, 0xD8, 0x00, 0xDE, 0, 0}, "\xF0\x9F\x98\x80"}, // a surrogate pair
        {{0x3D, 0xD8, 0, 0}, "\xEF\xBF\xBD"},                 // a lone surrogate
    };
    for (const auto& [data, expected] : cases) {
        ASSERT_TRUE(RegWriteValue(FRoot, R"(S\Raw)", REG_SZ, data));
        std::string value = "kept";
        ASSERT_TRUE(RegReadString(FRoot, R"(S\Raw)", value));
        EXPECT_EQ(value, expected);
    }
}

TEST_F(MiniRegTest, PathsThatAddressNothingAreRefused) {
    for (const std::string path :
         {"GUID", "", R"(\GUID)", R"(Software\\GUID)", R"(Software\)", R"(..\GUID)", R"(Software\..\..\GUID)",
          R"(.\GUID)", R"(Software\..)", R"(Soft/ware\GUID)", R"(Software\a/b)", R"(Software\.)"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(RegWriteValue(FRoot, path, REG_SZ, {0, 0}));
        EXPECT_FALSE(RegWriteString(FRoot, path, "x"));
        TBytes data;
        EXPECT_FALSE(RegReadValue(FRoot, path, REG_SZ, data));
    }
    EXPECT_EQ(
        std::distance(fs::recursive_directory_iterator(FDir.Path()), fs::recursive_directory_iterator()), 0);
}

TEST(MiniRegRootTest, CurrentUserHiveLivesInTheConfigurationHome) {
    TTempDir config;
    TScopedEnv xdg("XDG_CONFIG_HOME", config.Path().string());
    EXPECT_EQ(HKEY_CURRENT_USER().Folder, config / "kovrin" / "registry");
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER(), R"(Software\Lorvane\Kovrin\GUID)", "g"));
    EXPECT_TRUE(
        fs::is_regular_file(config / "kovrin" / "registry" / "Software" / "Lorvane" / "Kovrin" / "GUID"));
}

} // namespace
