#include "settings/DamagedCopy.h"

#include <string>

namespace {

bool Free(const std::filesystem::path& Name) {
    std::error_code error;
    return std::filesystem::symlink_status(Name, error).type() == std::filesystem::file_type::not_found;
}

} // namespace

std::filesystem::path FreeDamagedCopyName(const std::filesystem::path& FileName,
                                          std::span<const std::string_view> Companions) {
    constexpr int kMaxCopies = 1000;
    std::filesystem::path first = FileName;
    first += ".damaged";
    for (int number = 0; number < kMaxCopies; ++number) {
        std::filesystem::path candidate = first;
        if (number > 0) {
            candidate += "." + std::to_string(number);
        }
        bool free = Free(candidate);
        for (const std::string_view companion : Companions) {
            free = free && Free(std::filesystem::path(candidate) += companion);
        }
        if (free) {
            return candidate;
        }
    }
    return {};
}
