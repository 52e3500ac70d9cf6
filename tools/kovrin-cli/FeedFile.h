#pragma once
// A feed read from a file, for kovrin-cli --feeds DIR.

#include "engine/StringMatrix.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The bytes of the file at Path (a regular file, a pipe...), read whole. Throws std::runtime_error with the
// cause when the file cannot be opened or read, or when a regular file ends before the size it had when it
// was opened (cut short while it was read).
TSharedText ReadFeedFile(const std::string& Path);

// A feed file opened for reading, whole or a piece of whole lines at a time: a command that keeps only some
// rows of a large feed (kovrin-cli offers keeps one pair's rates rows) need never hold it whole.
class TFeedFile final {
  public:
    // Opens the file at Path. Throws std::runtime_error with the cause (also for a regular file larger than a
    // feed may be).
    explicit TFeedFile(const std::string& Path);
    ~TFeedFile();
    TFeedFile(const TFeedFile&) = delete;
    TFeedFile& operator=(const TFeedFile&) = delete;

    // A regular file, which can be read at any time; a pipe's writer may wait for its reader.
    bool Regular() const { return FRegular; }
    // Reads it whole, as ReadFeedFile does.
    TSharedText ReadWhole();
    // Reads to the end, handing Lines one piece at a time: the whole lines of about PieceBytes read, a line
    // longer than that whole, and last what follows the last line end. Throws std::runtime_error as
    // ReadFeedFile does, and whatever Lines throws.
    void ReadLines(std::size_t PieceBytes, const std::function<void(std::string_view)>& Lines);

  private:
    int FDescriptor;
    bool FRegular = false;
    std::size_t FExpected = 0; // a regular file's size when it was opened, else 0
};
