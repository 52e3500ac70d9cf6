// Saves that are killed half-way or run out of room: the previous file must stay whole and readable.

#include "settings/MiniReg.h"
#include "settings/SettingsLocation.h"
#include "settings/XMLConf.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <thread>

namespace {

constexpr int kKills = 30;

using TValues = std::map<std::string, std::string>;

// Two complete sets of settings that differ in every key; many keys, so a save takes long enough to be cut.
TValues Variant(int which) {
    TValues values;
    values["Window/X"] = std::to_string(100 + which);
    values["Window/Y"] = std::to_string(-50 - which);
    values["Defaults/Tab"] = std::to_string(which);
    values["Rates/SrcAmount"] = which == 0 ? "100" : "2500";
    values["Rates/SrcCurr"] = which == 0 ? "Bitcoin (BTC)" : "Яндекс.Деньги";
    for (int i = 0; i < 300; ++i)
        values[HideCurrencyKey("C" + std::to_string(i))] = (i + which) % 2 == 0 ? "true" : "false";
    return values;
}

void WriteAll(const TConfigDoc& doc, const TValues& values) {
    for (const auto& [key, value] : values)
        ConfigWrite(doc, key, value);
}

// Which variant the file holds completely, or -1 (with a message) when it holds neither.
int VariantInFile(const std::filesystem::path& file) {
    TConfigDoc doc;
    if (!ConfigOpen(doc, file.parent_path() / "absent.xml", "settings") ||
        !ConfigLoad(doc, file, "settings")) {
        ADD_FAILURE() << "the file does not load:\n" << ReadFileBytes(file).substr(0, 300);
        return -1;
    }
    for (int which : {0, 1}) {
        bool all = true;
        for (const auto& [key, value] : Variant(which)) {
            std::string read;
            all = all && ConfigRead(doc, key, read) && read == value;
        }
        if (all)
            return which;
    }
    ADD_FAILURE() << "the file holds a mixture of two saves";
    return -1;
}

// Runs Body in a child process that the parent kills with SIGKILL once Delay has passed after the child
// called the Ready it is given (a byte through a pipe, so a slow machine delays the kill rather than the
// work); the child never returns.
void KillWhileRunning(const std::function<void(const std::function<void()>& Ready)>& body,
                      std::chrono::microseconds delay) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0) << "fork failed";
    if (pid == 0) {
        ::close(ready[0]);
        body([&] {
            const char byte = 1;
            if (::write(ready[1], &byte, 1) != 1)
                ::_exit(2);
        });
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    const ssize_t got = ::read(ready[0], &byte, 1); // 0 when the child ended without being ready
    ::close(ready[0]);
    EXPECT_EQ(got, 1) << "the child ended before it was ready";
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
}

// Runs Body in a child process and gives its exit code; -1 when a signal ended it.
int RunInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0)
        return -2;
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::size_t LeftoverTemporaries(const std::filesystem::path& folder, const std::string& target) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        count += entry.path().filename().string().starts_with("." + target + ".tmp-");
    return count;
}

} // namespace

TEST(CrashSafety, SettingsKilledMidSaveHoldOneWholeSave) {
    TTempDir dir;
    const auto file = dir / "settings.xml";
    {
        TConfigDoc doc;
        ASSERT_TRUE(ConfigOpen(doc, file, "settings"));
        WriteAll(doc, Variant(0));
        ASSERT_TRUE(ConfigSave(doc, file));
    }
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayUs(500, 30000);
    int seen[2] = {0, 0};
    for (int kill = 0; kill < kKills; ++kill) {
        // The clock starts once the child's first save is whole; the first kill comes right then.
        KillWhileRunning(
            [&](const std::function<void()>& ready) {
                TConfigDoc doc;
                ConfigOpen(doc, file, "settings");
                for (int round = 1;; ++round) {
                    WriteAll(doc, Variant(round % 2));
                    ConfigSave(doc, file);
                    if (round == 1)
                        ready();
                }
            },
            std::chrono::microseconds(kill == 0 ? 0 : delayUs(random)));
        const int which = VariantInFile(file);
        ASSERT_NE(which, -1) << "after kill " << kill;
        ++seen[which];
    }
    // The child's first save writes the second variant, and the first kill follows it at once.
    EXPECT_GT(seen[1], 0) << "no save finished before any kill";
}

TEST(CrashSafety, StoredValueKilledMidWriteIsOneWholeValue) {
    TTempDir dir;
    const TRegRoot root{dir.Path()};
    const std::string path = R"(Software\Lorvane\Kovrin\GUID)";
    const std::string values[2] = {"{0D2C2F86-7A61-4B39-9E0C-1C8E0F6A2B11}",
                                   "{F00DFACE-0000-4000-8000-ABCDEF012345} and a longer tail " +
                                       std::string(4000, 'x')};
    ASSERT_TRUE(RegWriteString(root, path, values[0]));
    std::mt19937 random(777);
    std::uniform_int_distribution<int> delayUs(300, 8000);
    for (int kill = 0; kill < kKills; ++kill) {
        KillWhileRunning(
            [&](const std::function<void()>& ready) {
                ready();
                for (int round = 0;; ++round)
                    RegWriteString(root, path, values[round % 2]);
            },
            std::chrono::microseconds(delayUs(random)));
        std::string read;
        ASSERT_TRUE(RegReadString(root, path, read)) << "after kill " << kill;
        ASSERT_TRUE(read == values[0] || read == values[1])
            << "after kill " << kill << ": " << read.size() << " characters";
    }
}

// A file size limit stands in for a full disk: every write past it fails with EFBIG, and SIGXFSZ is ignored
// so the process carries on as it would on a full disk.
TEST(CrashSafety, WriteBeyondTheSizeLimitFailsAndKeepsTheOldFile) {
    TTempDir dir;
    const auto file = dir / "settings.xml";
    TConfigDoc doc;
    ASSERT_TRUE(ConfigOpen(doc, file, "settings"));
    WriteAll(doc, Variant(0));
    ASSERT_TRUE(ConfigSave(doc, file));
    const std::string before = ReadFileBytes(file);
    ASSERT_GT(before.size(), 4096u);

    const int code = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 10;
        WriteAll(doc, Variant(1));
        if (ConfigSave(doc, file))
            return 11; // reported success although nothing could be written
        if (AtomicWriteFile(file, std::string(8192, 'z')))
            return 12;
        return 0;
    });
    EXPECT_EQ(code, 0) << "10: no limit, 11: ConfigSave said true, 12: AtomicWriteFile said true, -1: killed";
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_EQ(VariantInFile(file), 0);
    EXPECT_EQ(LeftoverTemporaries(dir.Path(), "settings.xml"), 0u);
}

// A real full file system, where the test may mount one (root with the right to mount); skipped elsewhere.
TEST(CrashSafety, SaveOnAFullFileSystemFailsAndKeepsTheOldFile) {
    TTempDir dir;
    const auto mountPoint = dir / "small";
    std::filesystem::create_directory(mountPoint);
    if (::mount("kovrin-test", mountPoint.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (errno " << errno << ")";
    struct TUnmount {
        std::filesystem::path Path;
        ~TUnmount() { ::umount2(Path.c_str(), MNT_DETACH); }
    } unmount{mountPoint};

    const auto file = mountPoint / "settings.xml";
    TConfigDoc doc;
    ASSERT_TRUE(ConfigOpen(doc, file, "settings"));
    WriteAll(doc, Variant(0));
    ASSERT_TRUE(ConfigSave(doc, file));
    const std::string before = ReadFileBytes(file);
    {
        // Fill what is left, so that no new byte fits.
        std::ofstream filler(mountPoint / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i) {
        }
    }
    WriteAll(doc, Variant(1));
    EXPECT_FALSE(ConfigSave(doc, file));
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_EQ(LeftoverTemporaries(mountPoint, "settings.xml"), 0u);

    std::filesystem::remove(mountPoint / "filler");
    EXPECT_TRUE(ConfigSave(doc, file)) << "room again: the save goes through";
    EXPECT_EQ(VariantInFile(file), 1);
}
