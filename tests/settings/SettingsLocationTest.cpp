#include "settings/SettingsLocation.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

std::vector<std::string> Entries(const fs::path& Folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicWriteFileTest, ReplacesContentsAndKeepsPermissions) {
    TTempDir dir;
    const fs::path file = dir / "settings.xml";
    ASSERT_TRUE(AtomicWriteFile(file, "first"));
    EXPECT_EQ(ReadFileBytes(file), "first");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(AtomicWriteFile(file, std::string("second\0with nul", 15)));
    EXPECT_EQ(ReadFileBytes(file), std::string("second\0with nul", 15));
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(AtomicWriteFile(file, ""));
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"settings.xml"});
}

TEST(AtomicWriteFileTest, FailureLeavesNoTraceAndNoDamage) {
    TTempDir dir;
    EXPECT_FALSE(AtomicWriteFile(dir / "missing" / "settings.xml", "x"));
    // A target that cannot be replaced (a folder with contents): the rename fails after the write.
    fs::create_directory(dir / "taken");
    WriteFileBytes(dir / "taken" / "keep", "kept");
    EXPECT_FALSE(AtomicWriteFile(dir / "taken", "x"));
    EXPECT_EQ(ReadFileBytes(dir / "taken" / "keep"), "kept");
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"taken"});
}

TEST(AtomicWriteFileTest, ReadOnlyFolderKeepsTheOldFileWhole) {
    if (RunningAsRoot()) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    TTempDir dir;
    const fs::path file = dir / "settings.xml";
    WriteFileBytes(file, "old contents");
    fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(AtomicWriteFile(file, "new contents"));
    fs::permissions(dir.Path(), fs::perms::owner_all);
    EXPECT_EQ(ReadFileBytes(file), "old contents");
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"settings.xml"});
}

TEST(ConfigHomeTest, XdgWhenAbsoluteElseHome) {
    TScopedEnv home("HOME", "/home/someone");
    {
        TScopedEnv xdg("XDG_CONFIG_HOME", "/custom/config");
        EXPECT_EQ(ConfigHome(), fs::path("/custom/config"));
    }
    {
        TScopedEnv xdg("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(ConfigHome(), fs::path("/home/someone/.config"));
    }
    {
        TScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(ConfigHome(), fs::path("/home/someone/.config"));
    }
}

TEST(SettingsFilePathTest, WritableFolderOfTheExecutable) {
    TTempDir exe, config;
    TScopedEnv xdg("XDG_CONFIG_HOME", config.Path().string());
    EXPECT_EQ(SettingsFilePath(exe.Path()), exe.Path() / "settings.xml");
    EXPECT_FALSE(fs::exists(config / "kovrin"));
}

TEST(SettingsFilePathTest, UnwritableFolderFallsBackToTheUserConfiguration) {
    TTempDir exe, config;
    TScopedEnv xdg("XDG_CONFIG_HOME", config.Path().string());
    // A folder that does not exist cannot be written by anyone, root included.
    EXPECT_EQ(SettingsFilePath(exe / "gone"), config / "kovrin" / "settings.xml");
    EXPECT_TRUE(fs::is_directory(config / "kovrin"));
    if (RunningAsRoot()) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    fs::permissions(exe.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(SettingsFilePath(exe.Path()), config / "kovrin" / "settings.xml");
}

TEST(SettingsFilePathTest, SystemFoldersAndFoldersOfOthersFallBackToTheUserConfiguration) {
    TTempDir exe, config;
    TScopedEnv xdg("XDG_CONFIG_HOME", config.Path().string());
    const fs::path fallback = config / "kovrin" / "settings.xml";
    // Root may write there, and a package's copy run as root must still not put its settings there.
    EXPECT_EQ(SettingsFilePath("/usr/bin"), fallback);
    EXPECT_EQ(SettingsFilePath("/usr/local/bin/../bin"), fallback);
    fs::create_directory_symlink("/usr/bin", exe / "linked");
    EXPECT_EQ(SettingsFilePath(exe / "linked"), fallback);
    fs::create_directories(exe / "opt");
    EXPECT_EQ(SettingsFilePath(exe / "opt"), exe / "opt" / "settings.xml"); // only the root's /opt counts
    if (!RunningAsRoot()) {
        // Writable by everyone, owned by root: not the user's own folder.
        EXPECT_EQ(SettingsFilePath("/tmp"), fallback);
    }
}

TEST(SettingsSeedFileTest, AFirstStartElsewhereBeginsWithTheTrustedFileBesideTheProgram) {
    TTempDir exe, config;
    const fs::path beside = exe / "settings.xml";
    const fs::path target = config / "settings.xml";
    WriteFileBytes(beside, "<settings/>");
    fs::permissions(beside, fs::perms::owner_read);
    EXPECT_EQ(SettingsSeedFile(exe.Path(), target), beside);
    EXPECT_EQ(SettingsSeedFile(exe.Path(), beside), fs::path()); // it is the settings file itself
    fs::permissions(beside, fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(SettingsSeedFile(exe.Path(), target), fs::path()); // anybody could have written it
    fs::permissions(beside, fs::perms::owner_read);
    WriteFileBytes(target, "<settings/>");
    EXPECT_EQ(SettingsSeedFile(exe.Path(), target), fs::path()); // the user's own file exists already
}

} // namespace
