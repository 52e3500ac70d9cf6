// Settings loading over arbitrary settings.xml bytes. Whatever the file held, every key the program uses is
// read and then written, the document is saved, and loading the saved file must give back exactly what was
// written: a save the next start cannot read would lose the user's settings.

#include "settings/XMLConf.h"
#include "tests/fuzz/FuzzCheck.h"
#include "text/Utf8.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One folder per process, removed at exit.
const std::filesystem::path& WorkFolder() {
    static const std::filesystem::path folder = [] {
        std::string base = (std::filesystem::temp_directory_path() / "kovrin-fuzz-settings-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(base.data()) != nullptr, "cannot make a temporary folder");
        std::atexit([] { std::filesystem::remove_all(WorkFolder()); });
        return std::filesystem::path(base);
    }();
    return folder;
}

enum class TKind { Integer, Amount, Currency, Hide };

struct TKey {
    std::string Name;
    TKind Kind;
};

// Currency codes as the names feed may spell them: valid element names and codes that need escaping.
const std::vector<std::string> kCodes = {"WMZ", "btc", "1INR", "a b", "-x.", "_x0041_", "Z9"};

std::vector<TKey> ProgramKeys() {
    std::vector<TKey> keys = {
        {"Window/X", TKind::Integer},       {"Window/Y", TKind::Integer},
        {"Window/W", TKind::Integer},       {"Window/H", TKind::Integer},
        {"Defaults/Tab", TKind::Integer},   {"Rates/SrcAmount", TKind::Amount},
        {"Rates/DstAmount", TKind::Amount}, {"Rates/SrcCurr", TKind::Currency},
        {"Rates/DstCurr", TKind::Currency},
    };
    for (const std::string& code : kCodes)
        keys.push_back({HideCurrencyKey(code), TKind::Hide});
    return keys;
}

std::uint64_t Hash(std::string_view bytes, std::uint64_t seed) {
    std::uint64_t h = 1469598103934665603ull ^ seed;
    for (unsigned char c : bytes)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

// A display name as the names feed delivers it: decoded UTF-8 without ";", cut from the input.
std::string DisplayName(std::string_view bytes, std::size_t from) {
    std::string text = DecodeUtf8Lenient(bytes.substr(std::min(from, bytes.size()), 24));
    std::erase(text, ';');
    // XML has no way to hold U+0000, and a C string ends at it; no feed text that carries one is kept whole.
    std::erase(text, '\0');
    return text;
}

// The text the program would write under Key, given what it read there (if anything).
TConfigValue NewValue(const TKey& key, const std::optional<std::string>& read, std::string_view bytes,
                      std::size_t index) {
    const std::uint64_t h = Hash(bytes, index);
    switch (key.Kind) {
    case TKind::Integer:
        return TConfigValue(static_cast<int>(static_cast<std::int32_t>(h)));
    case TKind::Amount:
        // The amount fields hold digits, or nothing.
        return TConfigValue(h % 5 == 0 ? std::string() : std::to_string(h % 100000));
    case TKind::Currency:
        // A loaded value written back unchanged, or a new name.
        return read && h % 2 == 0 ? TConfigValue(*read)
                                  : TConfigValue(DisplayName(bytes, h % (bytes.size() + 1)));
    case TKind::Hide:
        return TConfigValue(h % 2 == 0);
    }
    return TConfigValue(0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
    const std::filesystem::path file = WorkFolder() / "settings.xml";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    TConfigDoc doc;
    FUZZ_CHECK(ConfigOpen(doc, file, "settings"), "no document could be had");

    const std::vector<TKey> keys = ProgramKeys();
    std::vector<std::optional<std::string>> written(keys.size());
    std::vector<bool> usable(keys.size(), true);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::optional<std::string> read;
        bool readFailed = false;
        try {
            std::string value;
            if (ConfigRead(doc, keys[i].Name, value)) {
                FUZZ_CHECK(!value.empty(), "a read value is empty");
                read = value;
            }
        } catch (const EConfigError&) {
            readFailed = true;
        }
        const TConfigValue value = NewValue(keys[i], read, bytes, i);
        try {
            ConfigWrite(doc, keys[i].Name, value);
            written[i] = value.Text();
        } catch (const EConfigError&) {
            // Only an element the reader also refuses (one with element children) may refuse a value.
            FUZZ_CHECK(readFailed, "a key that reads cannot be written");
            usable[i] = false;
        }
        if (usable[i]) {
            std::string back;
            const bool found = ConfigRead(doc, keys[i].Name, back);
            FUZZ_CHECK(found == !written[i]->empty() && (!found || back == *written[i]),
                       "a written value does not read back in the same run");
        }
    }

    FUZZ_CHECK(ConfigSave(doc, file), "saving into a writable folder failed");
    // A fresh document object (from a name that does not exist), then the saved file loaded into it.
    TConfigDoc again;
    FUZZ_CHECK(ConfigOpen(again, WorkFolder() / "absent.xml", "settings"), "no document could be had");
    FUZZ_CHECK(ConfigLoad(again, file, "settings"), "the saved file does not load");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!usable[i])
            continue;
        // Text of nothing but blanks cannot be told from layout and is dropped on load, as in any hand-edited
        // file: such a value reads back as missing.
        if (written[i]->find_first_not_of(" \t\r\n") == std::string::npos)
            written[i]->clear();
        std::string back;
        const bool found = ConfigRead(again, keys[i].Name, back);
        if (found != !written[i]->empty() || (found && back != *written[i])) {
            std::fprintf(stderr, "key %s: wrote \"%s\", read %s\"%s\"\n", keys[i].Name.c_str(),
                         written[i]->c_str(), found ? "" : "nothing ", back.c_str());
        }
        FUZZ_CHECK(found == !written[i]->empty() && (!found || back == *written[i]),
                   "a saved value does not come back after loading");
    }
    return 0;
}
