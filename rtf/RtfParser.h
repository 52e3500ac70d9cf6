#pragma once
// The state machine behind ReadRtf, shared by the files that implement it; not for use elsewhere.

#include "rtf/RtfHyperlink.h"
#include "rtf/RtfReader.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace RtfInternal {

enum class TDest { Text, Skip, FontTable, ColorTable, FieldInstruction };

struct TGroup {
    TDest Dest = TDest::Text;
    bool Bold = false, Italic = false, Underline = false;
    int HalfPoints = 0;
    int ColorIndex = 0; // 0: the viewer's colour
    int Font = -1;      // -1: the document's default font
    int SkipAfterUnicode = 1;
    int Field = -1; // index into TRtfParser::FFields of the field this group belongs to
    // Target of the HYPERLINK field the group's text belongs to; empty when none. Shared, so that opening a
    // group or adding text does not copy a long link.
    TRtfLink Link;
    TRtfAlign Align = TRtfAlign::Left;
    int SpaceBefore = 0, SpaceAfter = 0, LeftIndent = 0, FirstIndent = 0;
};

// A field met in the document: its instruction as read so far, and the target it gave last (empty: none),
// until more instruction text arrives.
struct TField {
    THyperlinkScanner Instruction;
    TRtfLink Link;
    bool LinkKnown = false;
};

// Reads one document; each instance reads once.
class TRtfParser final {
  public:
    explicit TRtfParser(std::string_view bytes) : FIn(bytes) {}

    // The document, or the reason it cannot be read.
    TRtfReadResult Run();

  private:
    struct TWords; // the tables of control words

    std::string_view FIn;
    std::size_t FPos = 0;
    std::vector<TGroup> FStack;
    TRtfDocument FDoc;
    TRtfParagraph FPara;
    int FDocCodePage = 1252;
    int FDefaultFont = 0;
    std::map<int, int> FFontCodePages; // font number -> code page of its last definition that names one
    int FDefiningFont = 0;
    std::vector<std::optional<TRtfColor>> FColors;
    TRtfColor FNextColor;
    bool FNextColorSet = false;
    std::vector<TField> FFields;
    int FSkipChars = 0;          // characters still to drop after a \uN
    bool FIgnorableNext = false; // a \* came before the next control word
    char32_t FHighSurrogate = 0;

    TGroup& Top() { return FStack.back(); }
    const TGroup& Top() const { return FStack.back(); }

    // Reads the whole input; false with error set when it is not a well-formed document.
    bool Parse(std::string& error);
    // Drops one character that stands in for the Unicode character before it.
    bool ConsumeSkipped();
    // After a backslash: a control word with its parameter, or a control symbol.
    void ControlSequence();
    void ControlSymbol(char c);
    static int HexValue(char c);
    // Acts on a control word: destinations, attributes, breaks, special characters; ignores the rest.
    void ControlWord(std::string_view w, bool hasParam, int p, bool ignorable);
    void SpecialCharacter(std::string_view w);
    // A \uN character (N may be negative), joining surrogate pairs.
    void Unicode(int value);
    // Code page of \'hh bytes: the current font's charset, else the document's \ansicpg.
    int CodePage() const;
    // A byte of text in the current code page (or of the colour table).
    void Byte(unsigned char b);
    // The target of the group's field as its instruction stands now; empty when it names none.
    TRtfLink FieldLink(TField& field);
    // True when the last run of the paragraph has the link of the current group (compared by text).
    bool LastRunHasGroupLink();
    // Adds UTF-8 text to the current destination.
    void Text(const std::string& utf8);
    void TextKeepSurrogate(const std::string& utf8);
    // Closes the paragraph being built; `always` also keeps an empty one (an explicit \par).
    void EndParagraph(bool always);
};

} // namespace RtfInternal
