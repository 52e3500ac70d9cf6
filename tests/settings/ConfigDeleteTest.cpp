#include "settings/XMLConf.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

std::string SavedText(const TConfigDoc& Doc, const TTempDir& Dir) {
    EXPECT_TRUE(ConfigSave(Doc, Dir / "settings.xml"));
    return ReadFileBytes(Dir / "settings.xml");
}

TEST(ConfigDelete, RemovesAGroupWithItsLayoutSoTheFileReadsAsIfNeverWritten) {
    TTempDir dir;
    TConfigDoc doc;
    ASSERT_TRUE(ConfigOpen(doc, dir / "settings.xml", "settings"));
    ConfigWrite(doc, "Window/X", 1);
    ConfigWrite(doc, "Rates/SrcCurr", "A");
    const std::string before = SavedText(doc, dir);

    ConfigWrite(doc, "Extra/One/Value", "x");
    ConfigWrite(doc, "Extra/Two/Value", "y");
    ConfigWrite(doc, "Rates/Other", "z");
    EXPECT_TRUE(ConfigDelete(doc, "Extra/One"));
    std::string value;
    EXPECT_FALSE(ConfigRead(doc, "Extra/One/Value", value));
    EXPECT_TRUE(ConfigRead(doc, "Extra/Two/Value", value));
    EXPECT_TRUE(ConfigDelete(doc, "Extra/Two/Value")); // leaves Two and then Extra empty: both go
    EXPECT_TRUE(ConfigDelete(doc, "Rates/Other"));
    EXPECT_EQ(SavedText(doc, dir), before);
    EXPECT_FALSE(ConfigDelete(doc, "Extra"));
    EXPECT_FALSE(ConfigDelete(doc, "Nothing/Here"));
    EXPECT_THROW(ConfigDelete(doc, ""), EConfigError);

    // Also in a file written by an earlier run and loaded again.
    ConfigWrite(doc, "Extra/One/Value", "x");
    SavedText(doc, dir);
    TConfigDoc loaded;
    ASSERT_TRUE(ConfigOpen(loaded, dir / "settings.xml", "settings"));
    EXPECT_TRUE(ConfigDelete(loaded, "Extra"));
    EXPECT_EQ(SavedText(loaded, dir), before);
}

} // namespace
