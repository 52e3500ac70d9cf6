// Runs a fuzz target over saved inputs without the fuzzer: every file named on the command line, and every
// file inside every folder named there. A missing folder counts as empty, so a target without regressions
// still runs. A failing input aborts inside the target, which fails the test.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

namespace {

void Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char** argv) {
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file() && entry.path().filename() != ".gitkeep")
                    files.push_back(entry.path());
            // A stable order makes a failure easy to repeat.
            std::sort(files.begin(), files.end());
            for (const auto& file : files)
                Replay(file), ++count;
        } else if (std::filesystem::is_regular_file(path)) {
            Replay(path), ++count;
        }
    }
    std::fprintf(stderr, "%zu inputs replayed\n", count);
    // An empty corpus means the test exercised nothing: treat it as a broken setup.
    return count > 0 ? 0 : 1;
}
