// The per-user value store: keys are folders, values are files of a 4-byte type and the data bytes.

#include "settings/MiniReg.h"

#include "settings/RegularFile.h"
#include "settings/SettingsLocation.h"
#include "settings/Utf16Le.h"

#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTypeSize = 4;

// A key segment or value name must stay one folder entry below its key: no separators, no "." or "..".
bool IsPlainName(const std::string& Name) {
    return !Name.empty() && Name != "." && Name != ".." && Name.find('/') == std::string::npos &&
           Name.find('\0') == std::string::npos;
}

// The file that holds the value at Path, or an empty path when Path addresses nothing.
fs::path ValueFile(const TRegRoot& Root, const std::string& Path) {
    const int cut = LastCharPos('\\', Path);
    if (cut == 0 || Root.Folder.empty()) {
        return {};
    }
    const std::string key = Path.substr(0, static_cast<std::size_t>(cut) - 1);
    const std::string name = Path.substr(static_cast<std::size_t>(cut));
    if (!IsPlainName(name)) {
        return {};
    }
    fs::path file = Root.Folder;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = key.find('\\', start);
        const std::string segment =
            key.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!IsPlainName(segment)) {
            return {};
        }
        file /= segment;
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return file / name;
}

} // namespace

TRegRoot HKEY_CURRENT_USER() {
    return TRegRoot{ConfigHome() / "kovrin" / "registry"};
}

int LastCharPos(char Ch, const std::string& S) {
    const std::size_t pos = S.rfind(Ch);
    return pos == std::string::npos ? 0 : static_cast<int>(pos) + 1;
}

bool RegWriteValue(const TRegRoot& Root, const std::string& Path, std::uint32_t ValueType,
                   const std::vector<std::uint8_t>& Data) {
    try {
        const fs::path file = ValueFile(Root, Path);
        if (file.empty()) {
            return false;
        }
        std::error_code error;
        fs::create_directories(file.parent_path(), error);
        if (error) {
            return false;
        }
        std::string bytes;
        bytes.reserve(kTypeSize + Data.size());
        for (std::size_t i = 0; i < kTypeSize; ++i) {
            bytes.push_back(static_cast<char>((ValueType >> (8 * i)) & 0xFF));
        }
        bytes.append(Data.begin(), Data.end());
        return AtomicWriteFile(file, bytes);
    } catch (...) {
        return false;
    }
}

bool RegReadValue(const TRegRoot& Root, const std::string& Path, std::uint32_t ValueType,
                  std::vector<std::uint8_t>& Data) {
    try {
        const fs::path file = ValueFile(Root, Path);
        std::string bytes;
        std::string error;
        if (file.empty() || ReadRegularFile(file, bytes, error) != TFileRead::Read ||
            bytes.size() < kTypeSize) {
            return false;
        }
        std::uint32_t storedType = 0;
        for (std::size_t i = 0; i < kTypeSize; ++i) {
            storedType |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
        }
        if (storedType != ValueType) {
            return false;
        }
        Data.assign(bytes.begin() + kTypeSize, bytes.end());
        return true;
    } catch (...) {
        return false;
    }
}

bool RegWriteString(const TRegRoot& Root, const std::string& Path, const std::string& Value) {
    try {
        std::vector<std::uint8_t> data = Utf8ToUtf16Le(Value);
        data.push_back(0);
        data.push_back(0);
        return RegWriteValue(Root, Path, REG_SZ, data);
    } catch (...) {
        return false;
    }
}

bool RegReadString(const TRegRoot& Root, const std::string& Path, std::string& Value) {
    try {
        std::vector<std::uint8_t> data;
        if (!RegReadValue(Root, Path, REG_SZ, data)) {
            return false;
        }
        // The last code unit is taken as the terminator whether or not it is null.
        const std::size_t units = data.size() < 2 ? 0 : data.size() / 2 - 1;
        Value = Utf16LeToUtf8(data, units);
        return true;
    } catch (...) {
        return false;
    }
}
