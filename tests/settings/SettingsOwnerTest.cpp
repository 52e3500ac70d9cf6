#include "settings/SettingsOwner.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Waits until the owner's descriptor is readable, then answers what waits; the number that asked to show.
int AnswerWhenAsked(TSettingsOwner& Owner) {
    pollfd ready{Owner.RequestDescriptor(), POLLIN, 0};
    if (poll(&ready, 1, 5000) != 1) {
        return -1;
    }
    return Owner.TakeRequests();
}

TEST(SettingsOwnerTest, OneCopyPerFileWhicheverWayItsPathIsSpeltAndTheClaimGoesWithTheOwner) {
    TTempDir dir;
    fs::create_directories(dir / "bin");
    fs::create_symlink(dir / "bin", dir / "link");
    {
        TSettingsOwner first(dir / "bin" / "settings.xml");
        ASSERT_EQ(first.Claim(), TSettingsOwner::TClaim::Owned) << first.Problem();
        EXPECT_EQ(TSettingsOwner(dir / "other.xml").Claim(), TSettingsOwner::TClaim::Owned);

        TSettingsOwner second(dir / "link" / ".." / "bin" / "settings.xml");
        ASSERT_EQ(second.Claim(), TSettingsOwner::TClaim::HeldByRunningCopy) << second.Problem();
        auto answer = TSettingsOwner::TAnswer::None;
        std::thread asking([&] { answer = second.AskOwnerToShow(); });
        EXPECT_EQ(AnswerWhenAsked(first), 1);
        asking.join();
        EXPECT_EQ(answer, TSettingsOwner::TAnswer::Shown) << second.Problem();

        // An owner that is ending says so, and shows nothing.
        first.Closing();
        TSettingsOwner third(dir / "bin" / "settings.xml");
        std::thread late([&] { answer = third.AskOwnerToShow(); });
        EXPECT_EQ(AnswerWhenAsked(first), 0);
        late.join();
        EXPECT_EQ(answer, TSettingsOwner::TAnswer::Closing);

        // A copy that connects and says nothing neither holds the owner up nor counts as asking.
        const int silent = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string name = SettingsOwnerName(dir / "bin" / "settings.xml", getuid());
        name.copy(address.sun_path + 1, name.size());
        ASSERT_EQ(connect(silent, reinterpret_cast<const sockaddr*>(&address),
                          static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())),
                  0);
        EXPECT_EQ(AnswerWhenAsked(first), 0);
        close(silent);
    }
    // The owner has ended: the next copy owns the file.
    TSettingsOwner next(dir / "bin" / "settings.xml");
    EXPECT_EQ(next.Claim(), TSettingsOwner::TClaim::Owned) << next.Problem();
}

} // namespace
