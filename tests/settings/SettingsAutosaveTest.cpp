#include "settings/SettingsAutosave.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using TOutcome = TSettingsAutosave::TOutcome;

TEST(SettingsAutosaveTest, WritesOnlyAfterAChangeAndTriesAgainAfterAFailure) {
    TTempDir dir;
    const std::filesystem::path file = dir / "settings.xml";
    // A hand-written layout stays as it is until something changes.
    const std::string handWritten = "<?xml version=\"1.0\"?><settings><A>1</A></settings>";
    WriteFileBytes(file, handWritten);
    TConfigDoc doc;
    ASSERT_TRUE(ConfigOpen(doc, file, "settings"));
    TSettingsAutosave autosave;
    autosave.NoteSaved(doc);
    EXPECT_EQ(autosave.SaveIfChanged(doc, file), TOutcome::Unchanged);
    EXPECT_EQ(ReadFileBytes(file), handWritten);

    ConfigWrite(doc, "A", 2);
    EXPECT_EQ(autosave.SaveIfChanged(doc, dir / "missing-folder" / "settings.xml"), TOutcome::Failed);
    EXPECT_EQ(autosave.SaveIfChanged(doc, file), TOutcome::Saved);
    EXPECT_EQ(ReadFileBytes(file), *ConfigFileText(doc));
    EXPECT_EQ(autosave.SaveIfChanged(doc, file), TOutcome::Unchanged);
}

} // namespace
