#include "engine/Functions.h"
#include "settings/MiniReg.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

const std::string kPath(kGuidPath);

TRegRoot RootIn(const TTempDir& Dir) {
    return TRegRoot{Dir.Path()};
}

// Stores Text as REG_SZ the way another tool might: UTF-16LE, with or without the terminating null.
void StoreRaw(const TRegRoot& Root, const std::string& Ascii, bool Terminated, std::uint32_t Type = REG_SZ) {
    std::vector<std::uint8_t> data;
    for (const char c : Ascii) {
        data.push_back(static_cast<std::uint8_t>(c));
        data.push_back(0);
    }
    if (Terminated) {
        data.push_back(0);
        data.push_back(0);
    }
    ASSERT_TRUE(RegWriteValue(Root, kPath, Type, data));
}

std::string Stored(const TRegRoot& Root) {
    std::string text;
    EXPECT_TRUE(RegReadString(Root, kPath, text));
    return text;
}

TEST(NewGuidText, RandomVersion4InTheUpperCaseBracedForm) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string guid = NewGuidText();
        ASSERT_EQ(guid.size(), 38u);
        ASSERT_TRUE(RegexTest(kGuidPattern, guid)) << guid;
        EXPECT_EQ(guid[15], '4') << guid;                                         // version nibble
        EXPECT_NE(std::string("89AB").find(guid[20]), std::string::npos) << guid; // variant bits
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(GetAppGuid, CreatesOnceThenReturnsTheStoredValue) {
    TTempDir dir;
    const TRegRoot root = RootIn(dir);
    const std::string first = GetAppGuid(root);
    EXPECT_EQ(first.size(), 38u);
    EXPECT_EQ(Stored(root), first);
    EXPECT_EQ(GetAppGuid(root), first);
    EXPECT_EQ(GetAppGuid(root), first);
}

TEST(GetAppGuid, StoredValuesThatFailTheCheckAreReplaced) {
    struct TCase {
        const char* Label;
        std::string Text;
        bool Terminated;
        std::uint32_t Type;
        bool Kept;
    };
    const std::string valid = "{0123ABCD-89AB-4CDE-8F01-23456789ABCD}";
    const TCase cases[] = {
        {"valid", valid, true, REG_SZ, true},
        {"text around a valid GUID is kept whole", "id " + valid + " ", true, REG_SZ, true},
        {"lower-case digits", "{0123abcd-89ab-4cde-8f01-23456789abcd}", true, REG_SZ, false},
        {"no braces", valid.substr(1, 36), true, REG_SZ, false},
        {"stored without its terminator loses the closing brace", valid, false, REG_SZ, false},
        {"another type", valid, true, REG_EXPAND_SZ, false},
        {"empty", "", true, REG_SZ, false},
    };
    for (const TCase& c : cases) {
        TTempDir dir;
        const TRegRoot root = RootIn(dir);
        StoreRaw(root, c.Text, c.Terminated, c.Type);
        const std::string guid = GetAppGuid(root);
        if (c.Kept) {
            EXPECT_EQ(guid, c.Text) << c.Label;
        } else {
            EXPECT_NE(guid, c.Text) << c.Label;
            EXPECT_EQ(guid.size(), 38u) << c.Label;
            EXPECT_TRUE(RegexTest(kGuidPattern, guid)) << c.Label;
            EXPECT_EQ(Stored(root), guid) << c.Label; // replaced by a REG_SZ value
            EXPECT_EQ(GetAppGuid(root), guid) << c.Label;
        }
    }
}

TEST(GetAppGuid, DwordValueIsReplacedByAString) {
    TTempDir dir;
    const TRegRoot root = RootIn(dir);
    ASSERT_TRUE(RegWriteValue(root, kPath, REG_DWORD, {1, 0, 0, 0}));
    const std::string guid = GetAppGuid(root);
    EXPECT_TRUE(RegexTest(kGuidPattern, guid));
    EXPECT_EQ(Stored(root), guid);
}

TEST(GetAppGuid, UnwritableStoreStillGivesAFreshGuidEachCall) {
    TTempDir dir;
    // A file where the store's folder should be: nothing can be created below it.
    WriteFileBytes(dir / "blocked", "x");
    const TRegRoot root{dir / "blocked"};
    const std::string a = GetAppGuid(root);
    const std::string b = GetAppGuid(root);
    EXPECT_TRUE(RegexTest(kGuidPattern, a));
    EXPECT_NE(a, b);
}

TEST(GetAppGuid, WithoutARootUsesTheCurrentUsersStore) {
    TTempDir dir;
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = previous ? previous : "";
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    const std::string guid = GetAppGuid();
    std::string stored;
    const bool found = RegReadString(TRegRoot{dir / "kovrin" / "registry"}, kPath, stored);
    if (previous) {
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(stored, guid);
}

} // namespace
