#include "tests/support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kovrin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder under " + pattern);
    }
    FPath = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    // A test may have made the folder read-only to simulate an installed copy.
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(FPath, ignored);
}

std::string ReadFileBytes(const std::filesystem::path& File) {
    std::ifstream in(File, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& File, const std::string& Bytes) {
    std::ofstream out(File, std::ios::binary | std::ios::trunc);
    out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + File.string());
    }
}
