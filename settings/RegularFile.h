#pragma once
// Reading a whole file that must be a regular one, without ever waiting on something else that bears its
// name.

#include <cstddef>
#include <filesystem>
#include <string>

// How reading a file went.
enum class TFileRead {
    Read,       // Bytes holds the whole file
    Missing,    // there is no such file
    NotRegular, // a FIFO, a folder, a device or a socket: not read
    Failed      // it could not be opened or read (Error says why)
};

// Reads the whole of the file at Path into Bytes when it is a regular file (symbolic links followed). The
// file is opened without blocking, so a FIFO named Path never holds the caller. A file of more than MaxBytes
// bytes is not read (Failed, "too large"). Error receives the system's message for Failed and the kind of
// file for NotRegular. Never throws but for memory.
// With Private, a symbolic link at Path is not followed (NotRegular, "a symbolic link") and a file owned by
// another user is not read (Failed).
TFileRead ReadRegularFile(const std::filesystem::path& Path, std::string& Bytes, std::string& Error,
                          std::size_t MaxBytes = static_cast<std::size_t>(-1), bool Private = false);
