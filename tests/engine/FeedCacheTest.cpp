#include "engine/FeedCache.h"
#include "net/BodyRoom.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const std::string kRates = "Rates\n1;usd;eur;1;0.9;1000\n2;usd;eur;1;0.95;50\n";

TEST(FeedCache, AKeptBodyComesBackByteForByteWithItsTime) {
    TTempDir dir;
    const std::string body = kRates + std::string("\0\r\n\xff", 4); // bytes as received, whatever they are
    ASSERT_TRUE(KeepFeed(dir / "cache", "rates", body, 1765281909));
    const std::optional<TKeptFeed> kept = LoadKeptFeed(dir / "cache", "rates");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->Body, body);
    EXPECT_EQ(kept->ReceivedAt, 1765281909);
    // The folder is the user's alone: the feeds tell what the user looks at.
    struct stat info {};
    ASSERT_EQ(::stat((dir / "cache").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // An empty answer is the service's word too, and is kept as such.
    ASSERT_TRUE(KeepFeed(dir / "cache", "news", "", 5));
    ASSERT_TRUE(LoadKeptFeed(dir / "cache", "news"));
    EXPECT_EQ(LoadKeptFeed(dir / "cache", "news")->Body, "");
}

TEST(FeedCache, ALargeKeptBodyIsReadIntoARoomTheNextBodyTakesOnceTheBodyIsLetGo) {
    std::string drained = TakeBodyRoom(1); // a room another test kept would be taken instead of this one
    drained = std::string();
    TTempDir dir;
    const std::string body = std::string(3 << 20, '7') + "\n";
    ASSERT_TRUE(KeepFeed(dir / "cache", "rates", body, 1));
    std::optional<TKeptFeed> kept = LoadKeptFeed(dir / "cache", "rates");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->Body, body);
    // Room to spare for a refreshed body a little larger, the header gone without a copy of the body.
    EXPECT_GE(kept->Body.capacity(), body.size() + body.size() / 16);
    const char* room = kept->Body.data();
    ShareBody(std::move(kept->Body)).reset(); // the tables over the kept body have gone
    EXPECT_EQ(TakeBodyRoom(body.size() + 4096).data(), room);
}

TEST(FeedCache, ATruncatedDamagedOrForeignRecordIsNotUsed) {
    const std::string record = KeptFeedRecord("rates", kRates, 100);
    ASSERT_TRUE(ParseKeptFeed("rates", record));
    // Cut anywhere: in the header, in the body, right after the header.
    for (std::size_t length : {std::size_t{0}, std::size_t{10}, record.find('\n') + 1, record.size() - 1}) {
        EXPECT_FALSE(ParseKeptFeed("rates", record.substr(0, length))) << length;
    }
    std::string flipped = record;
    flipped.back() ^= 0x01;
    EXPECT_FALSE(ParseKeptFeed("rates", flipped));
    EXPECT_FALSE(ParseKeptFeed("rates", record + "x"));
    EXPECT_FALSE(ParseKeptFeed("names", record)); // a file renamed by hand is another feed's
    EXPECT_FALSE(ParseKeptFeed("rates", "kovrin-feed 2" + record.substr(13)));
    EXPECT_FALSE(ParseKeptFeed("rates", "kovrin-feed 1 rates -5 3 0000000000000000\nabc"));
    EXPECT_FALSE(ParseKeptFeed("rates", "kovrin-feed 1 rates 5 +3 0000000000000000\nabc"));
    EXPECT_FALSE(ParseKeptFeed("rates", "kovrin-feed 1 rates 5 99999999999999999999 0000000000000000\nabc"));
    EXPECT_FALSE(ParseKeptFeed("rates", std::string(300, 'k')));
    EXPECT_FALSE(ParseKeptFeed("rates", ""));
}

TEST(FeedCache, AnUnreadableOrMissingFileIsNoFeedAndSaysWhy) {
    TTempDir dir;
    std::string problem = "stale";
    EXPECT_FALSE(LoadKeptFeed(dir.Path(), "rates", &problem));
    EXPECT_EQ(problem, ""); // nothing kept yet is no problem

    const std::string record = KeptFeedRecord("rates", kRates, 100);
    WriteFileBytes(KeptFeedFile(dir.Path(), "rates"), record.substr(0, record.size() - 5));
    EXPECT_FALSE(LoadKeptFeed(dir.Path(), "rates", &problem));
    EXPECT_NE(problem.find("damaged or cut short"), std::string::npos) << problem;

    // A FIFO in its place is never opened for a blocking read.
    std::filesystem::remove(KeptFeedFile(dir.Path(), "rates"));
    ASSERT_EQ(::mkfifo(KeptFeedFile(dir.Path(), "rates").c_str(), 0600), 0);
    EXPECT_FALSE(LoadKeptFeed(dir.Path(), "rates", &problem));
    EXPECT_NE(problem.find("FIFO"), std::string::npos) << problem;
}

TEST(FeedCache, AWriteThatCannotBeMadeFailsQuietlyAndLeavesTheKeptFileWhole) {
    TTempDir dir;
    // The cache folder's name taken by a file: nothing can be kept there.
    WriteFileBytes(dir / "taken", "a file");
    EXPECT_FALSE(KeepFeed(dir / "taken", "rates", kRates, 1));
    EXPECT_EQ(ReadFileBytes(dir / "taken"), "a file");
    // A kept file that a new body cannot replace (a folder now stands in its place) is left as it is.
    ASSERT_TRUE(KeepFeed(dir / "cache", "rates", kRates, 1));
    std::filesystem::create_directories(dir / "cache" / "names.feed" / "inside");
    EXPECT_FALSE(KeepFeed(dir / "cache", "names", "x", 2));
    EXPECT_EQ(LoadKeptFeed(dir / "cache", "rates")->Body, kRates);
}

TEST(FeedCache, LinksAndFoldersOthersMayWriteAreNeverUsed) {
    TTempDir dir;
    const std::filesystem::path cache = dir / "cache";
    const std::filesystem::path elsewhere = dir / "elsewhere";
    ASSERT_TRUE(KeepFeed(elsewhere, "rates", kRates, 7));
    ASSERT_EQ(::chmod(KeptFeedFile(elsewhere, "rates").c_str(), 0644), 0);
    std::filesystem::create_directory(cache);
    ::chmod(cache.c_str(), 0700);

    // A kept feed that is a link to a file elsewhere (another user's feed, /etc/shadow) is not read, and the
    // next keep replaces the link with a file of the user's alone, leaving the target as it was.
    std::filesystem::create_symlink(KeptFeedFile(elsewhere, "rates"), KeptFeedFile(cache, "rates"));
    std::string problem;
    EXPECT_FALSE(LoadKeptFeed(cache, "rates", &problem));
    EXPECT_NE(problem.find("symbolic link"), std::string::npos) << problem;
    ASSERT_TRUE(KeepFeed(cache, "rates", "new", 8));
    struct stat info {};
    ASSERT_EQ(::lstat(KeptFeedFile(cache, "rates").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(KeptFeedFile(elsewhere, "rates").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(LoadKeptFeed(elsewhere, "rates")->Body, kRates);

    // The folder itself a link: nothing is read through it nor written through it.
    const std::filesystem::path linked = dir / "linked";
    std::filesystem::create_directory_symlink(elsewhere, linked);
    EXPECT_FALSE(LoadKeptFeed(linked, "rates", &problem));
    EXPECT_NE(problem.find("symbolic link"), std::string::npos) << problem;
    EXPECT_FALSE(KeepFeed(linked, "names", kRates, 9));
    EXPECT_FALSE(std::filesystem::exists(KeptFeedFile(elsewhere, "names")));

    // A folder others may write to could hold files they planted.
    ASSERT_EQ(::chmod(cache.c_str(), 0777), 0);
    EXPECT_FALSE(LoadKeptFeed(cache, "rates", &problem));
    EXPECT_NE(problem.find("written by other users"), std::string::npos) << problem;
    EXPECT_FALSE(KeepFeed(cache, "rates", kRates, 10));
    ASSERT_EQ(::chmod(cache.c_str(), 0700), 0);
    EXPECT_EQ(LoadKeptFeed(cache, "rates")->Body, "new");
}

TEST(FeedCache, TheFolderFollowsTheCacheHome) {
    TScopedEnv home("HOME", "/home/someone");
    {
        TScopedEnv xdg("XDG_CACHE_HOME", "/custom/cache");
        EXPECT_EQ(FeedCacheFolder(), "/custom/cache/kovrin");
    }
    {
        TScopedEnv xdg("XDG_CACHE_HOME", "relative/cache"); // not absolute: ignored
        EXPECT_EQ(FeedCacheFolder(), "/home/someone/.cache/kovrin");
    }
    TScopedEnv xdg("XDG_CACHE_HOME", std::nullopt);
    EXPECT_EQ(FeedCacheFolder(), "/home/someone/.cache/kovrin");
}

} // namespace
