// The real program, started from another folder on the offscreen platform, stopped by a signal, and judged by
// its exit status and the settings file it leaves.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kDeclaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

// A copy of the program in a folder of its own, with its own home, started from a different folder.
class TKovrinCopy {
  public:
    TKovrinCopy() {
        for (const fs::path& folder : {Bin(), Home(), Elsewhere(), Runtime()}) {
            fs::create_directories(folder);
        }
        fs::permissions(Runtime(), fs::perms::owner_all);
        fs::copy_file(KOVRIN_EXECUTABLE, Bin() / "kovrin");
    }

    fs::path Bin() const { return FDir / "bin"; }
    fs::path Home() const { return FDir / "home"; }
    fs::path Elsewhere() const { return FDir / "elsewhere"; }
    fs::path Runtime() const { return FDir / "runtime"; }
    fs::path Settings() const { return Bin() / "settings.xml"; }
    fs::path Log() const { return FDir / "kovrin.log"; }

    // Starts the program, waits until it handles Signal (then calls WhileRunning), sends it, and returns the
    // wait status (-1 when it had to be killed).
    int RunAndStop(int Signal, const std::function<void()>& WhileRunning = {}) {
        const pid_t pid = Start(Log());
        if (pid < 0) {
            return -1;
        }
        if (!WaitUntilCatching(pid, Signal)) {
            ADD_FAILURE() << "the program never installed its signal handler";
        }
        std::this_thread::sleep_for(300ms); // let the window come up, so the loop is the one that stops
        if (WhileRunning) {
            WhileRunning();
        }
        kill(pid, Signal);
        return WaitForExit(pid);
    }

    // Starts the program, its output going to OwnLog, and returns the wait status once it has ended by
    // itself.
    int RunToEnd(const fs::path& OwnLog) {
        const pid_t pid = Start(OwnLog);
        return pid < 0 ? -1 : WaitForExit(pid);
    }

  private:
    pid_t Start(const fs::path& OwnLog) {
        const pid_t pid = fork();
        if (pid == 0) {
            ExecProgram(OwnLog);
        }
        if (pid < 0) {
            ADD_FAILURE() << "fork failed";
        }
        return pid;
    }

    [[noreturn]] void ExecProgram(const fs::path& OwnLog) {
        if (chdir(Elsewhere().c_str()) != 0) {
            _exit(126);
        }
        setenv("HOME", Home().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Home() / ".config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (Home() / ".cache").c_str(), 1);
        setenv("XDG_DATA_HOME", (Home() / ".local/share").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", Runtime().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int log = open(OwnLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        const std::string program = (Bin() / "kovrin").string();
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }

    // True once /proc shows a handler for Signal (bit Signal - 1 of SigCgt).
    static bool WaitUntilCatching(pid_t Pid, int Signal) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream status("/proc/" + std::to_string(Pid) + "/status");
            std::string line;
            while (std::getline(status, line)) {
                if (line.rfind("SigCgt:", 0) == 0) {
                    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
                    if (mask & (1ULL << (Signal - 1))) {
                        return true;
                    }
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    static int WaitForExit(pid_t Pid) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (waitpid(Pid, &status, WNOHANG) == Pid) {
                return status;
            }
            std::this_thread::sleep_for(10ms);
        }
        kill(Pid, SIGKILL);
        waitpid(Pid, &status, 0);
        ADD_FAILURE() << "the program did not end after the signal";
        return -1;
    }

    TTempDir FDir;
};

bool ExitedWithZero(int Status) {
    return Status != -1 && WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

// The text of a key such as "Window/X" under the root; nullopt when the element is missing.
std::optional<std::string> Value(const pugi::xml_document& Document, const std::string& Key) {
    pugi::xml_node node = Document.document_element();
    std::stringstream segments(Key);
    std::string segment;
    while (std::getline(segments, segment, '/')) {
        node = node.child(segment.c_str());
        if (!node) {
            return std::nullopt;
        }
    }
    return std::string(node.text().get());
}

bool IsInteger(const std::optional<std::string>& Text) {
    return Text && !Text->empty() && Text->find_first_not_of("-0123456789") == std::string::npos;
}

TEST(Kovrin, FirstStartWritesAWellFormedFileBesideTheExecutable) {
    TKovrinCopy copy;
    const int status = copy.RunAndStop(SIGTERM);
    EXPECT_TRUE(ExitedWithZero(status)) << "status " << status << "\n" << ReadFileBytes(copy.Log());

    const std::string bytes = ReadFileBytes(copy.Settings());
    ASSERT_FALSE(bytes.empty()) << "no settings.xml beside the executable";
    EXPECT_FALSE(fs::exists(copy.Elsewhere() / "settings.xml"));
    EXPECT_FALSE(fs::exists(copy.Home() / ".config" / "kovrin" / "settings.xml"));

    const std::string start = std::string(kDeclaration) + "\r\n<settings>\r\n\t<Window>\r\n\t\t<X>";
    EXPECT_EQ(bytes.substr(0, start.size()), start);
    for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
        ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "a line not ended by CR LF at byte " << at;
    }
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(bytes.c_str()));
    EXPECT_STREQ(document.document_element().name(), "settings");
    for (const char* key : {"Window/X", "Window/Y", "Window/W", "Window/H"}) {
        EXPECT_TRUE(IsInteger(Value(document, key))) << key;
    }
    EXPECT_GE(std::stoi(*Value(document, "Window/W")), 568);
    EXPECT_GE(std::stoi(*Value(document, "Window/H")), 347);
    EXPECT_EQ(Value(document, "Defaults/Tab"), "2");
    EXPECT_EQ(Value(document, "Rates/SrcAmount"), "");
    EXPECT_EQ(Value(document, "Rates/DstAmount"), "");
    EXPECT_EQ(Value(document, "Rates/SrcCurr"), std::nullopt);
    EXPECT_EQ(Value(document, "HideCurrencies"), std::nullopt);
}

TEST(Kovrin, EachStopSignalClosesTheWindowAndSavesTheSettings) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        TKovrinCopy copy;
        WriteFileBytes(copy.Settings(), std::string(kDeclaration) +
                                            "<settings><Defaults><Tab>0</Tab></Defaults>"
                                            "<Rates><SrcAmount>0042</SrcAmount></Rates></settings>");
        const int status = copy.RunAndStop(signal);
        EXPECT_TRUE(ExitedWithZero(status)) << "signal " << signal << ", status " << status;
        pugi::xml_document document;
        ASSERT_TRUE(document.load_file(copy.Settings().c_str())) << "signal " << signal;
        // Restored at start and written back at close: the amount in its shortest form, a window placement.
        EXPECT_EQ(Value(document, "Defaults/Tab"), "0") << "signal " << signal;
        EXPECT_EQ(Value(document, "Rates/SrcAmount"), "42") << "signal " << signal;
        EXPECT_TRUE(IsInteger(Value(document, "Window/X"))) << "signal " << signal;
    }
}

TEST(Kovrin, ASecondCopyWithTheSameSettingsBringsUpTheFirstAndWritesNothing) {
    TKovrinCopy copy;
    WriteFileBytes(copy.Settings(),
                   std::string(kDeclaration) + "<settings><Defaults><Tab>0</Tab></Defaults></settings>");
    const fs::path secondLog = copy.Elsewhere() / "second.log";
    int second = -1;
    std::string whileBothRan;
    const int first = copy.RunAndStop(SIGTERM, [&] {
        second = copy.RunToEnd(secondLog);
        whileBothRan = ReadFileBytes(copy.Settings());
    });
    EXPECT_TRUE(ExitedWithZero(second)) << "status " << second << "\n" << ReadFileBytes(secondLog);
    EXPECT_NE(ReadFileBytes(secondLog).find("already runs; its window is brought up"), std::string::npos)
        << ReadFileBytes(secondLog);
    EXPECT_EQ(whileBothRan,
              std::string(kDeclaration) + "<settings><Defaults><Tab>0</Tab></Defaults></settings>");
    // The first copy still ran and wrote its settings at its end.
    EXPECT_TRUE(ExitedWithZero(first)) << ReadFileBytes(copy.Log());
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(copy.Settings().c_str()));
    EXPECT_TRUE(IsInteger(Value(document, "Window/X")));
}

TEST(Kovrin, KeepsWhatItDoesNotTouchAndTheStoredWindowState) {
    TKovrinCopy copy;
    WriteFileBytes(copy.Settings(),
                   std::string(kDeclaration) +
                       "\r\n<settings>\r\n"
                       "\t<Window><X>40</X><Y>30</Y><W>700</W><H>500</H></Window>\r\n"
                       "\t<Defaults><Tab>3</Tab></Defaults>\r\n"
                       "\t<Rates><SrcCurr>Евро</SrcCurr><DstCurr>Доллар</DstCurr></Rates>\r\n"
                       "\t<HideCurrencies><USD>true</USD><_x0031_BTC>false</_x0031_BTC>"
                       "</HideCurrencies>\r\n"
                       "</settings>\r\n");
    ASSERT_TRUE(ExitedWithZero(copy.RunAndStop(SIGTERM))) << ReadFileBytes(copy.Log());
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(copy.Settings().c_str()));
    EXPECT_EQ(Value(document, "Window/X"), "40");
    EXPECT_EQ(Value(document, "Window/Y"), "30");
    EXPECT_EQ(Value(document, "Window/W"), "700");
    EXPECT_EQ(Value(document, "Window/H"), "500");
    EXPECT_EQ(Value(document, "Defaults/Tab"), "3");
    // The currency lists never filled (no service): the stored choices and flags stay as they were.
    EXPECT_EQ(Value(document, "Rates/SrcCurr"), "Евро");
    EXPECT_EQ(Value(document, "Rates/DstCurr"), "Доллар");
    EXPECT_EQ(Value(document, "HideCurrencies/USD"), "true");
    EXPECT_EQ(Value(document, "HideCurrencies/_x0031_BTC"), "false");
}

TEST(Kovrin, AStopSignalEndsTheRestoringErrorBoxAndStillSaves) {
    TKovrinCopy copy;
    WriteFileBytes(copy.Settings(), std::string(kDeclaration) +
                                        "<settings><Window><X>abc</X></Window>"
                                        "<Rates><SrcAmount>7</SrcAmount></Rates></settings>");
    const int status = copy.RunAndStop(SIGTERM);
    EXPECT_TRUE(ExitedWithZero(status)) << "status " << status << "\n" << ReadFileBytes(copy.Log());
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(copy.Settings().c_str()));
    EXPECT_TRUE(IsInteger(Value(document, "Window/X"))); // the window's real position replaces the bad text
    EXPECT_EQ(Value(document, "Rates/SrcAmount"), "");   // not restored after the error, written empty
}

TEST(Kovrin, AFileItCannotUseIsKeptAsDamagedAndReplacedAtExit) {
    const std::string unusable[] = {
        "<settings><Defaults><Tab>3</Tab></Defaults>",          // not well-formed
        "plain text, no XML",                                   // not XML at all
        "<options><Defaults><Tab>3</Tab></Defaults></options>", // a foreign root
        "<settings/><settings/>",                               // two roots
        std::string(1, '\0'),                                   // one NUL byte
        "",                                                     // empty
    };
    for (const std::string& contents : unusable) {
        TKovrinCopy copy;
        WriteFileBytes(copy.Settings(), contents);
        ASSERT_TRUE(ExitedWithZero(copy.RunAndStop(SIGTERM))) << contents;
        pugi::xml_document document;
        ASSERT_TRUE(document.load_file(copy.Settings().c_str())) << contents;
        EXPECT_STREQ(document.document_element().name(), "settings") << contents;
        EXPECT_EQ(Value(document, "Defaults/Tab"), "2") << "merged from an unusable file: " << contents;
        EXPECT_EQ(ReadFileBytes(copy.Settings()).rfind(kDeclaration, 0), 0u) << contents;
        EXPECT_EQ(ReadFileBytes(copy.Bin() / "settings.xml.damaged"), contents);
        EXPECT_NE(ReadFileBytes(copy.Log()).find("settings.xml.damaged"), std::string::npos)
            << ReadFileBytes(copy.Log());
    }
}

TEST(Kovrin, AFifoNamedSettingsXmlNeitherHoldsTheStartNorTheStopSignal) {
    TKovrinCopy copy;
    ASSERT_EQ(mkfifo(copy.Settings().c_str(), 0600), 0);
    // RunAndStop fails the test should the program not end within its bound after the signal.
    EXPECT_TRUE(ExitedWithZero(copy.RunAndStop(SIGTERM))) << ReadFileBytes(copy.Log());
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(copy.Settings().c_str()));
    EXPECT_EQ(Value(document, "Defaults/Tab"), "2");
    EXPECT_NE(ReadFileBytes(copy.Log()).find("a FIFO"), std::string::npos) << ReadFileBytes(copy.Log());
    EXPECT_FALSE(fs::exists(copy.Bin() / "settings.xml.damaged"));
}

TEST(Kovrin, AFifoNamedHelpRtfNeitherHoldsTheStartNorTheStopSignal) {
    TKovrinCopy copy;
    // The program looks for its manual beside itself first.
    const fs::path fifo = copy.Bin() / "help.rtf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    bool waited = false;
    const auto watch = [&] {
        // A writer can open a FIFO without blocking only while a reader has it open, or waits to.
        for (int i = 0; i < 100 && !waited; ++i) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            waited = fd >= 0;
            if (fd >= 0) {
                close(fd);
            }
            std::this_thread::sleep_for(10ms);
        }
    };
    EXPECT_TRUE(ExitedWithZero(copy.RunAndStop(SIGTERM, watch))) << ReadFileBytes(copy.Log());
    EXPECT_FALSE(waited) << "the program opened the FIFO and waited for a writer";
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(copy.Settings().c_str())) << "the settings were not written at exit";
}

TEST(Kovrin, AReadOnlySettingsFileIsLeftAsItIs) {
    TKovrinCopy copy;
    const std::string original =
        std::string(kDeclaration) + "<settings><Defaults><Tab>1</Tab></Defaults></settings>";
    WriteFileBytes(copy.Settings(), original);
    fs::permissions(copy.Settings(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(ExitedWithZero(copy.RunAndStop(SIGTERM))) << ReadFileBytes(copy.Log());
    EXPECT_EQ(ReadFileBytes(copy.Settings()), original);
    EXPECT_EQ(fs::status(copy.Settings()).permissions() & fs::perms::owner_write, fs::perms::none);
    for (const fs::directory_entry& entry : fs::directory_iterator(copy.Bin())) {
        EXPECT_TRUE(entry.path().filename() == "kovrin" || entry.path().filename() == "settings.xml")
            << "left behind: " << entry.path();
    }
}

TEST(Kovrin, AnUnwritableProgramFolderKeepsTheSettingsInTheUsersConfigFolder) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may write any folder; run as an ordinary user";
    }
    TKovrinCopy copy;
    fs::permissions(copy.Bin(), fs::perms::owner_read | fs::perms::owner_exec);
    const int status = copy.RunAndStop(SIGTERM);
    fs::permissions(copy.Bin(), fs::perms::owner_all);
    EXPECT_TRUE(ExitedWithZero(status)) << ReadFileBytes(copy.Log());
    EXPECT_FALSE(fs::exists(copy.Settings()));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file((copy.Home() / ".config" / "kovrin" / "settings.xml").c_str()));
    EXPECT_EQ(Value(document, "Defaults/Tab"), "2");
}

} // namespace
