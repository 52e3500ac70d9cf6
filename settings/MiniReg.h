#pragma once
// A small per-user value store standing in for the registry's current-user hive. A key path
// ("Software\Lorvane\Kovrin") is a folder path below the root; a value is one file holding its type
// (4 bytes, little-endian) followed by its data bytes, replaced atomically on every write.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Value types, numbered as the registry numbers them.
enum TRegValueType : std::uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
};

// An open root of the store: the folder that stands for the hive.
struct TRegRoot {
    std::filesystem::path Folder;
};

// The current user's hive: ConfigHome() / "kovrin" / "registry".
TRegRoot HKEY_CURRENT_USER();

// 1-based position of the last Ch in S, 0 when S has none.
int LastCharPos(char Ch, const std::string& S);

// Writes Data as a value of type ValueType at Path ("Key\Sub\ValueName": cut at the last backslash), creating
// missing keys. False when Path has no backslash or on any I/O failure. Never throws.
bool RegWriteValue(const TRegRoot& Root, const std::string& Path, std::uint32_t ValueType,
                   const std::vector<std::uint8_t>& Data);

// Reads the value at Path when it exists and has type ValueType; Data receives exactly the stored bytes.
// False (Data untouched) otherwise. Never throws.
bool RegReadValue(const TRegRoot& Root, const std::string& Path, std::uint32_t ValueType,
                  std::vector<std::uint8_t>& Data);

// Writes Value (UTF-8) as REG_SZ: its UTF-16LE code units followed by one null code unit.
bool RegWriteString(const TRegRoot& Root, const std::string& Path, const std::string& Value);

// Reads a REG_SZ value: size/2 - 1 code units (the last code unit is always dropped as the terminator),
// decoded from UTF-16LE to UTF-8. False (Value untouched) when missing or of another type.
bool RegReadString(const TRegRoot& Root, const std::string& Path, std::string& Value);
