#include "settings/LeftoverTemporaries.h"
#include "settings/MiniReg.h"
#include "settings/SettingsLocation.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A process id no process can have: ids stay below the kernel's pid_max.
long long DeadPid() {
    long long pidMax = 0;
    std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
    return pidMax > 0 ? pidMax : 4194304;
}

// A file last written Age ago.
void Leave(const fs::path& File, std::chrono::seconds Age) {
    WriteFileBytes(File, "half a save");
    fs::last_write_time(File, fs::file_time_type::clock::now() - Age);
}

TEST(LeftoverTemporariesTest, ASaveRemovesOnlyWhatNoLiveProcessIsWriting) {
    using namespace std::chrono_literals;
    TTempDir dir;
    const fs::path target = dir / "settings.xml";
    const auto name = [&](long long Pid) { return dir / TemporaryName(target, Pid, 3, 12345); };
    Leave(name(DeadPid()), 2min);                      // its process is gone: removed
    Leave(name(1), 2h);                                // live id, but untouched for hours: reused, removed
    Leave(dir / TemporaryName(target, 1, 4, 1), 2min); // a live process may still be writing it
    Leave(dir / TemporaryName(target, DeadPid(), 4, 2), 0s); // written just now, by a process not seen here
    Leave(dir / TemporaryName(dir / "other.xml", DeadPid(), 0, 1), 2h); // another file's
    Leave(dir / ".settings.xml.tmp-12-x", 2h);                          // not a name of ours
    Leave(dir / (TemporaryName(target, DeadPid(), 0, 1) + ".bak"), 2h); // not a name of ours either
    fs::create_directory(dir / TemporaryName(target, DeadPid(), 5, 5)); // not a file

    const auto count = [&] { return std::distance(fs::directory_iterator(dir.Path()), {}); };
    ASSERT_EQ(count(), 8);
    ASSERT_TRUE(AtomicWriteFile(target, "<settings/>"));
    EXPECT_FALSE(fs::exists(name(DeadPid())));
    EXPECT_FALSE(fs::exists(name(1)));
    EXPECT_EQ(count(), 7); // the new settings.xml and the six that must stay
    EXPECT_EQ(ReadFileBytes(target), "<settings/>");
}

TEST(LeftoverTemporariesTest, TheValueStoreRemovesItsLeftoversToo) {
    TTempDir dir;
    const TRegRoot root{dir.Path()};
    ASSERT_TRUE(RegWriteString(root, "Software\\Kovrin\\GUID", "first"));
    const fs::path leftover = dir / "Software" / "Kovrin" / TemporaryName("GUID", DeadPid(), 0, 7);
    Leave(leftover, std::chrono::minutes(5));
    ASSERT_TRUE(RegWriteString(root, "Software\\Kovrin\\GUID", "second"));
    EXPECT_FALSE(fs::exists(leftover));
}

} // namespace
