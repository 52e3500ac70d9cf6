#pragma once
// The target of an RTF field instruction such as HYPERLINK "http://example.org" \o "tip".

#include <string>
#include <string_view>

// The address of a HYPERLINK instruction (quoted or bare; switches such as \o "tip" are passed over), or an
// empty text for any other instruction and for a link to a bookmark inside the document (\l). Never throws
// (but std::bad_alloc).
std::string HyperlinkTarget(std::string_view Instruction);

// Reads an instruction as it arrives, piece by piece, and gives at any point what HyperlinkTarget gives for
// the text so far. Each piece costs its own length: the text is read once, and only the word that may become
// the target is kept.
class THyperlinkScanner final {
  public:
    // Reads the next piece of the instruction. Never throws (but std::bad_alloc).
    void Append(std::string_view Piece);

    // HyperlinkTarget of everything appended so far. Never throws (but std::bad_alloc).
    std::string Target() const;

    // True when no further text can change Target.
    bool Decided() const { return FStage == TStage::Decided; }

  private:
    enum class TStage { Keyword, Target, SwitchArgument, Decided };
    enum class TWordState { None, Bare, Quoted, QuotedBackslash };

    // Where a word that ends now leads: the next stage, and the result when that is Decided.
    TStage AfterWord(TStage Stage, const std::string& Word, bool Quoted, std::string& Result) const;
    void EndWord();

    TStage FStage = TStage::Keyword;
    TWordState FWordState = TWordState::None;
    std::string FWord;   // the word being read, unescaped; kept only while it may matter
    std::string FResult; // once Decided
};
