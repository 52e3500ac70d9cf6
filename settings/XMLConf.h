#pragma once
// The settings document: one XML document addressed by slash-separated keys ("Window/X"), kept in
// "settings.xml". Reads and writes happen in memory on the UI thread; the file is written once at exit.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Opaque document object (wraps a pugixml document and its layout rules).
class TConfigDocument;

// Reference-counted handle of a settings document; empty until ConfigOpen fills it.
using TConfigDoc = std::shared_ptr<TConfigDocument>;

// Raised by ConfigRead and ConfigWrite for structural problems ("Element does not contain a single text
// node", a key segment that is not a valid element name, an empty key, a document that is not open).
class EConfigError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A value to write: an integer, a string or a boolean, turned into the element's text as
// "-8" / unchanged / "true"|"false". Constructors are explicit about the kind, so a string literal
// never silently becomes a boolean.
class TConfigValue {
  public:
    enum class Kind { Integer, String, Boolean };
    TConfigValue(int value) : FKind(Kind::Integer), FInteger(value) {}
    TConfigValue(std::int64_t value) : FKind(Kind::Integer), FInteger(value) {}
    TConfigValue(bool value) : FKind(Kind::Boolean), FBoolean(value) {}
    TConfigValue(std::string value) : FKind(Kind::String), FString(std::move(value)) {}
    TConfigValue(const char* value) : FKind(Kind::String), FString(value) {}
    Kind GetKind() const { return FKind; }
    // The element text this value is stored as.
    std::string Text() const;

  private:
    Kind FKind;
    std::int64_t FInteger = 0;
    bool FBoolean = false;
    std::string FString;
};

// Creates the document object when Doc is empty, then loads FileName or, failing that, creates a new document
// with the root RootName. Returns false only when neither worked (the caller then ends the program's loop at
// its first turn, as a posted quit request would). Never throws.
bool ConfigOpen(TConfigDoc& Doc, const std::filesystem::path& FileName, const std::string& RootName);

// Replaces Doc's contents with the parsed file; true when it parsed and has a top-level element named
// RootName. A missing file yields an empty tree and so false, and so does anything but a regular file, which
// is not even opened for reading (a FIFO would hold the caller). Never throws.
bool ConfigLoad(const TConfigDoc& Doc, const std::filesystem::path& FileName, const std::string& RootName);

// What the last ConfigLoad of a document found at its file.
enum class TConfigFileState {
    Missing,    // no file there (also for an empty handle)
    Loaded,     // read and used
    NotRegular, // a FIFO, a folder, a device: not read
    Unreadable, // could not be opened or read
    Damaged     // read, but not well-formed or without the one root element asked for
};
TConfigFileState ConfigFileState(const TConfigDoc& Doc);

// After ConfigOpen, before a save replaces a file that the load could not use: keeps the bytes of a damaged
// file beside it as FileName + ".damaged" (or ".damaged.1", ".damaged.2", ... when that is taken: an
// older copy is never replaced) and sets Message to a line that says what
// was wrong and where the copy is; names a file that is not a regular file in Message too. Message stays
// empty for a loaded or missing file. False when the file should be left as it is at exit, because no copy of
// it could be kept (or it could not be read at all). Never throws.
bool ConfigKeepDamaged(const TConfigDoc& Doc, const std::filesystem::path& FileName, std::string& Message);

// Replaces Doc's contents with the declaration and an empty root element. Never throws.
bool ConfigCreate(const TConfigDoc& Doc, const std::string& RootName);

// The bytes ConfigSave writes for Doc; nullopt for an empty handle or a document without a root. Never
// throws.
std::optional<std::string> ConfigFileText(const TConfigDoc& Doc);

// Writes the whole document atomically (temporary file in the same folder, fsync, rename); a FileName that
// is a symbolic link is left in place and the file it leads to written. False on any error, leaving the
// previous file whole. Never throws.
bool ConfigSave(const TConfigDoc& Doc, const std::filesystem::path& FileName);

// Sets the text of the element named by Key, creating missing elements with layout. Always returns true;
// throws EConfigError on failure.
bool ConfigWrite(const TConfigDoc& Doc, const std::string& Key, const TConfigValue& Value);

// Removes the element named by Key with everything in it, and the layout text that put it on its line, so
// the file reads as if it had never been written; a parent left empty goes too (the root stays). False when
// there was no such element. Throws EConfigError for an empty key or a document that is not open.
bool ConfigDelete(const TConfigDoc& Doc, const std::string& Key);

// True with Value set to the element's text when Key exists and its text is not empty; false (Value
// unchanged) otherwise. Never creates anything. Throws EConfigError for an element that has element children.
bool ConfigRead(const TConfigDoc& Doc, const std::string& Key, std::string& Value);

// The names of the elements directly inside Key, in document order; none when Key is absent or holds no
// element. Throws EConfigError for an empty key or a document that is not open.
std::vector<std::string> ConfigChildNames(const TConfigDoc& Doc, const std::string& Key);

// The text of Key for the settings beyond the form's own: nullopt when it is absent, empty, or an element
// that holds others (its default stands then). Throws EConfigError only for a document that is not open.
std::optional<std::string> ConfigReadStored(const TConfigDoc& Doc, const std::string& Key);

// Reads a stored boolean / integer text the way the program's readers convert them. Throw EConfigError with a
// message naming the text when it does not convert ("'abc' is not a valid integer value").
bool ConfigTextToBool(const std::string& Text);
std::int32_t ConfigTextToInt(const std::string& Text);
// A stored amount read as a fixed-point number with four decimal places (half to even at the fourth) and
// given back as its shortest decimal text: "0042" -> "42", "12.50" -> "12.5", "1.23456" -> "1.2346". "." is
// the only separator. Throws EConfigError ("'<text>' is not a valid floating point value") for anything else.
std::string ConfigTextToAmountText(const std::string& Text);

// The key segment under which a currency code is stored below "HideCurrencies/": codes that are valid XML
// element names stay as they are; every character that may not stand in a name becomes "_xHHHH_" (its code
// point in upper-case hex, as in XML name escaping), and so does a literal "_x" that would read as an escape.
std::string EscapeKeySegment(const std::string& Code);
// Inverse of EscapeKeySegment.
std::string UnescapeKeySegment(const std::string& Segment);
// "HideCurrencies/" + EscapeKeySegment(Code).
std::string HideCurrencyKey(const std::string& Code);
