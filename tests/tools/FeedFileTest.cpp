#include "tools/kovrin-cli/FeedFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

TEST(FeedFile, ReadsRegularFilesEmptyFilesAndPipesAlike) {
    TTempDir dir;
    const std::string body = "heading\n1;wmz;wmr;1;30.5;1000\n";
    WriteFileBytes(dir / "rates.txt", body);
    const TSharedText mapped = ReadFeedFile((dir / "rates.txt").string());
    EXPECT_EQ(mapped.Bytes(), body);

    WriteFileBytes(dir / "empty.txt", "");
    EXPECT_EQ(ReadFeedFile((dir / "empty.txt").string()).Bytes(), "");

    // A pipe cannot be mapped; it is read to its end (longer than one first read).
    const std::string fifo = (dir / "fifo.txt").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string long_body(200 * 1024, 'x');
    std::thread writer([&] {
        const int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        for (std::size_t at = 0; at < long_body.size();) {
            const ssize_t put = write(fd, long_body.data() + at, long_body.size() - at);
            if (put <= 0) {
                break;
            }
            at += static_cast<std::size_t>(put);
        }
        close(fd);
    });
    const TSharedText piped = ReadFeedFile(fifo);
    writer.join();
    EXPECT_EQ(piped.Bytes(), long_body);

    EXPECT_THROW(ReadFeedFile((dir / "missing.txt").string()), std::runtime_error);
}

// The reader checks the UTF-8 piece by piece; a character split between two reads, or a bad byte far from the
// start, is judged as in one pass.
TEST(FeedFile, MarksTheTextValidUtf8OnlyWhenAllOfItIs) {
    TTempDir dir;
    std::string body = std::string(128 * 1024 - 1, 'x') + "Я" + std::string(70 * 1024, 'y');
    WriteFileBytes(dir / "split.txt", body);
    EXPECT_TRUE(ReadFeedFile((dir / "split.txt").string()).KnownValidUtf8());
    body[150 * 1024] = '\xFF';
    WriteFileBytes(dir / "bad.txt", body);
    EXPECT_FALSE(ReadFeedFile((dir / "bad.txt").string()).KnownValidUtf8());
}

TEST(FeedFile, LinesComeInPiecesOfWholeLinesAndALongLineWhole) {
    TTempDir dir;
    const std::string body = "ab\ncdefghijk\nl\nmn";
    WriteFileBytes(dir / "rates.txt", body);
    std::vector<std::string> pieces;
    TFeedFile((dir / "rates.txt").string()).ReadLines(4, [&](std::string_view Lines) {
        pieces.emplace_back(Lines);
    });
    // A line longer than the room comes whole (the room grows); the last piece is what follows the last end.
    EXPECT_EQ(pieces, (std::vector<std::string>{"ab\n", "cdefghijk\nl\n", "mn"}));
    EXPECT_THROW(TFeedFile((dir / "missing.txt").string()), std::runtime_error);
}

TEST(FeedFile, AFileCutShortAfterItWasReadLeavesTheBytesWhole) {
    TTempDir dir;
    const std::string path = (dir / "rates.txt").string();
    WriteFileBytes(path, std::string(64 * 1024, '7'));
    const TSharedText text = ReadFeedFile(path);
    ASSERT_EQ(truncate(path.c_str(), 0), 0);
    EXPECT_EQ(text.Bytes(), std::string(64 * 1024, '7')); // read, not mapped: nothing to fault on
}
