// The settings document over pugixml: opening, saving, and key lookups with the file's layout rules.

#include "settings/XMLConf.h"

#include "settings/ConfigLayout.h"
#include "settings/DamagedCopy.h"
#include "settings/RegularFile.h"
#include "settings/SettingsLocation.h"
#include "settings/XmlName.h"
#include "text/Ascii.h"

#include <pugixml.hpp>
#include <string_view>
#include <sys/stat.h>
#include <vector>

class TConfigDocument final {
  public:
    pugi::xml_document FDoc;
    // What the last ConfigLoad found at its file, and the bytes of a file it could not use, kept until
    // ConfigKeepDamaged has copied them.
    TConfigFileState FFileState = TConfigFileState::Missing;
    std::string FProblem;
    std::string FUnusedBytes;
};

namespace {

constexpr const char* kNotSingleText = "Element does not contain a single text node";
// Whitespace-only text is dropped on load (no parse_ws_pcdata); the declaration is kept as it was. Line ends
// are not normalized: the serializer writes a carriage return inside a value as it is (a currency name may
// hold one), and normalizing it away on load would lose the saved choice.
constexpr unsigned kParseOptions = (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_declaration;

class TStringWriter final : public pugi::xml_writer {
  public:
    void write(const void* data, size_t size) override { FText.append(static_cast<const char*>(data), size); }
    std::string FText;
};

std::vector<std::string> CutKey(const std::string& Key) {
    std::vector<std::string> segments;
    if (Key.empty()) {
        return segments;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = Key.find('/', start);
        if (slash == std::string::npos) {
            segments.push_back(Key.substr(start));
            break;
        }
        segments.push_back(Key.substr(start, slash - start));
        start = slash + 1;
        // A trailing "/" adds no segment.
        if (start == Key.size()) {
            break;
        }
    }
    return segments;
}

// The root element a key starts from; throws when there is no document or the key names nothing.
pugi::xml_node StartOf(const TConfigDoc& Doc, const std::vector<std::string>& Segments,
                       const std::string& Key) {
    if (!Doc) {
        throw EConfigError("The settings document is not open");
    }
    if (Segments.empty()) {
        throw EConfigError("Empty settings key");
    }
    pugi::xml_node root = Doc->FDoc.document_element();
    if (!root) {
        throw EConfigError("The settings document has no root element (key '" + Key + "')");
    }
    return root;
}

pugi::xml_node FirstElementNamed(pugi::xml_node Parent, const std::string& Name) {
    for (pugi::xml_node child : Parent.children()) {
        if (child.type() == pugi::node_element && Name == child.name()) {
            return child;
        }
    }
    return {};
}

bool IsText(pugi::xml_node Node) {
    return Node.type() == pugi::node_pcdata || Node.type() == pugi::node_cdata;
}

// Why a parsed document is not one we can work with (exactly one element at top level, named RootName,
// besides the declaration); empty when it is.
std::string RootProblem(const pugi::xml_document& Doc, const std::string& RootName) {
    int elements = 0;
    std::string name;
    for (pugi::xml_node node : Doc.children()) {
        if (node.type() == pugi::node_element) {
            ++elements;
            name = node.name();
        } else if (node.type() != pugi::node_declaration) {
            return "it holds something besides the declaration and the root element";
        }
    }
    if (elements == 0)
        return "it has no root element";
    if (elements > 1)
        return "it has more than one root element";
    return name == RootName ? std::string() : "its root element is <" + name + ">, not <" + RootName + ">";
}

} // namespace

bool ConfigOpen(TConfigDoc& Doc, const std::filesystem::path& FileName, const std::string& RootName) {
    try {
        if (!Doc) {
            Doc = std::make_shared<TConfigDocument>();
        }
    } catch (...) {
        return false;
    }
    return ConfigLoad(Doc, FileName, RootName) || ConfigCreate(Doc, RootName);
}

bool ConfigLoad(const TConfigDoc& Doc, const std::filesystem::path& FileName, const std::string& RootName) {
    if (!Doc) {
        return false;
    }
    try {
        Doc->FDoc.reset();
        Doc->FFileState = TConfigFileState::Missing;
        Doc->FProblem.clear();
        Doc->FUnusedBytes.clear();
        std::string bytes;
        std::string error;
        switch (ReadRegularFile(FileName, bytes, error)) {
        case TFileRead::Missing:
            return false;
        case TFileRead::NotRegular:
            Doc->FFileState = TConfigFileState::NotRegular;
            Doc->FProblem = "it is " + error + ", not a regular file";
            return false;
        case TFileRead::Failed:
            Doc->FFileState = TConfigFileState::Unreadable;
            Doc->FProblem = "it cannot be read: " + error;
            return false;
        case TFileRead::Read:
            break;
        }
        const pugi::xml_parse_result parsed =
            Doc->FDoc.load_buffer(bytes.data(), bytes.size(), kParseOptions);
        // Several top-level elements or stray text would not be well-formed; such a file counts as
        // unreadable.
        Doc->FProblem = parsed ? RootProblem(Doc->FDoc, RootName)
                               : std::string("it is not well-formed XML (") + parsed.description() +
                                     " at byte " + std::to_string(parsed.offset) + ")";
        if (!Doc->FProblem.empty()) {
            Doc->FDoc.reset();
            Doc->FFileState = TConfigFileState::Damaged;
            Doc->FUnusedBytes = std::move(bytes);
            return false;
        }
        // Laid out as if written in this run, so that the saved file keeps one element per line.
        LayOutLoadedTree(Doc->FDoc.document_element());
        Doc->FFileState = TConfigFileState::Loaded;
        return true;
    } catch (...) {
        return false;
    }
}

TConfigFileState ConfigFileState(const TConfigDoc& Doc) {
    return Doc ? Doc->FFileState : TConfigFileState::Missing;
}

bool ConfigKeepDamaged(const TConfigDoc& Doc, const std::filesystem::path& FileName, std::string& Message) {
    Message.clear();
    const TConfigFileState state = ConfigFileState(Doc);
    if (state == TConfigFileState::Missing || state == TConfigFileState::Loaded) {
        return true;
    }
    try {
        const std::string name = FileName.filename().string();
        if (state == TConfigFileState::NotRegular) {
            Message = name + " was not read: " + Doc->FProblem + "; new settings replace it at exit";
            return true;
        }
        const std::filesystem::path copy = FreeDamagedCopyName(FileName);
        // The copy is no easier to read than the file was: it may hold a proxy's password.
        struct stat info {};
        const int mode = ::stat(FileName.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : 0600;
        const std::string_view pieces[] = {Doc->FUnusedBytes};
        if (state == TConfigFileState::Damaged && !copy.empty() && AtomicWriteFile(copy, pieces, mode)) {
            Doc->FUnusedBytes = std::string();
            Message = name + " could not be used: " + Doc->FProblem + "; its contents are kept in " +
                      copy.string() + ", and new settings replace it at exit";
            return true;
        }
        Message = name + " could not be used: " + Doc->FProblem + "; no copy of it could be kept" +
                  (copy.empty() ? std::string(" (too many copies kept already)") : " in " + copy.string()) +
                  "; it is left as it is";
        return false;
    } catch (...) {
        return false;
    }
}

bool ConfigCreate(const TConfigDoc& Doc, const std::string& RootName) {
    if (!Doc) {
        return false;
    }
    try {
        Doc->FDoc.reset();
        pugi::xml_node declaration = Doc->FDoc.append_child(pugi::node_declaration);
        declaration.append_attribute("version").set_value("1.0");
        declaration.append_attribute("encoding").set_value("UTF-8");
        return static_cast<bool>(Doc->FDoc.append_child(RootName.c_str()));
    } catch (...) {
        return false;
    }
}

std::optional<std::string> ConfigFileText(const TConfigDoc& Doc) {
    if (!Doc) {
        return std::nullopt;
    }
    try {
        // A document without a root would replace the user's file by nothing useful.
        if (!Doc->FDoc.document_element()) {
            return std::nullopt;
        }
        // Each top-level node on its own line, the last one ended too: the declaration and the root at the
        // left margin, and everything inside them only as the layout text nodes put it.
        // The text is always written as UTF-8, so a loaded declaration that names another encoding would make
        // the next load misread every non-ASCII character.
        for (pugi::xml_node node : Doc->FDoc.children()) {
            pugi::xml_attribute encoding = node.attribute("encoding");
            if (node.type() == pugi::node_declaration && encoding &&
                !EqualsNoCase(encoding.value(), "UTF-8")) {
                encoding.set_value("UTF-8");
            }
        }
        TStringWriter writer;
        for (pugi::xml_node node : Doc->FDoc.children()) {
            node.print(writer, "\t", pugi::format_raw, pugi::encoding_utf8);
            writer.FText += kLineBreak;
        }
        return std::move(writer.FText);
    } catch (...) {
        return std::nullopt;
    }
}

bool ConfigSave(const TConfigDoc& Doc, const std::filesystem::path& FileName) {
    const std::optional<std::string> text = ConfigFileText(Doc);
    if (!text) {
        return false;
    }
    // A file that is a link (into a folder of dotfiles, say) is written where it leads and stays a link.
    return AtomicWriteFile(LinkedFile(FileName), *text);
}

bool ConfigWrite(const TConfigDoc& Doc, const std::string& Key, const TConfigValue& Value) {
    const std::vector<std::string> segments = CutKey(Key);
    pugi::xml_node current = StartOf(Doc, segments, Key);
    for (const std::string& segment : segments) {
        if (!IsValidElementName(segment)) {
            throw EConfigError("'" + segment + "' is not a valid element name (key '" + Key + "')");
        }
    }
    for (const std::string& segment : segments) {
        pugi::xml_node next = FirstElementNamed(current, segment);
        current = next ? next : AppendWithLayout(current, segment);
    }

    pugi::xml_node only = current.first_child();
    if (only && (only.next_sibling() || !IsText(only))) {
        throw EConfigError(kNotSingleText);
    }
    const std::string text = Value.Text();
    if (only) {
        current.remove_child(only);
    }
    // An empty value leaves the element without text, which reads back as missing.
    if (!text.empty()) {
        current.append_child(pugi::node_pcdata).set_value(text.c_str());
    }
    return true;
}

bool ConfigDelete(const TConfigDoc& Doc, const std::string& Key) {
    const std::vector<std::string> segments = CutKey(Key);
    pugi::xml_node root = StartOf(Doc, segments, Key);
    pugi::xml_node current = root;
    for (const std::string& segment : segments) {
        current = FirstElementNamed(current, segment);
        if (!current) {
            return false;
        }
    }
    // Up the chain of groups that this removal leaves empty, never past the root.
    while (current != root) {
        pugi::xml_node parent = current.parent();
        RemoveWithLayout(current);
        if (parent == root || parent.first_child()) {
            break;
        }
        current = parent;
    }
    return true;
}

bool ConfigRead(const TConfigDoc& Doc, const std::string& Key, std::string& Value) {
    const std::vector<std::string> segments = CutKey(Key);
    pugi::xml_node current = StartOf(Doc, segments, Key);
    for (const std::string& segment : segments) {
        current = FirstElementNamed(current, segment);
        if (!current) {
            return false;
        }
    }
    pugi::xml_node only = current.first_child();
    if (!only) {
        return false;
    }
    if (only.next_sibling() || !IsText(only)) {
        throw EConfigError(kNotSingleText);
    }
    const std::string text = only.value();
    if (text.empty()) {
        return false;
    }
    Value = text;
    return true;
}

std::vector<std::string> ConfigChildNames(const TConfigDoc& Doc, const std::string& Key) {
    const std::vector<std::string> segments = CutKey(Key);
    pugi::xml_node current = StartOf(Doc, segments, Key);
    for (const std::string& segment : segments) {
        current = FirstElementNamed(current, segment);
        if (!current) {
            return {};
        }
    }
    std::vector<std::string> names;
    for (pugi::xml_node child : current.children()) {
        if (child.type() == pugi::node_element) {
            names.emplace_back(child.name());
        }
    }
    return names;
}

std::optional<std::string> ConfigReadStored(const TConfigDoc& Doc, const std::string& Key) {
    try {
        std::string value;
        if (ConfigRead(Doc, Key, value)) {
            return value;
        }
    } catch (const EConfigError&) {
        // An element holding others is no value; the default stands.
    }
    return std::nullopt;
}
