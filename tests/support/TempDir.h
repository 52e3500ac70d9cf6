#pragma once
// A fresh temporary folder per test, removed with everything in it when the object goes.

#include <filesystem>
#include <string>

class TTempDir final {
  public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    // Path() / Name.
    std::filesystem::path operator/(const std::string& Name) const { return FPath / Name; }

  private:
    std::filesystem::path FPath;
};

// Whole contents of a file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& File);
// Replaces a file's contents with Bytes; throws std::runtime_error on failure.
void WriteFileBytes(const std::filesystem::path& File, const std::string& Bytes);
