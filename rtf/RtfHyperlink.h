#pragma once
// The target of an RTF field instruction such as HYPERLINK "http://example.org" \o "tip".

#include "rtf/RtfLink.h"

#include <memory>
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
    THyperlinkScanner() = default;
    // The word is shared with the links given out, never with another scanner.
    THyperlinkScanner(const THyperlinkScanner&) = delete;
    THyperlinkScanner& operator=(const THyperlinkScanner&) = delete;
    THyperlinkScanner(THyperlinkScanner&&) noexcept = default;
    THyperlinkScanner& operator=(THyperlinkScanner&&) noexcept = default;

    // Reads the next piece of the instruction. Never throws (but std::bad_alloc).
    void Append(std::string_view Piece);

    // HyperlinkTarget of everything appended so far. Never throws (but std::bad_alloc).
    std::string Target() const { return Link().Text(); }
    // The same as a link that shares the scanner's text. Never throws.
    TRtfLink Link() const;

    // True when no further text can change Target.
    bool Decided() const { return FStage == TStage::Decided; }

  private:
    enum class TStage { Keyword, Target, SwitchArgument, Decided };
    enum class TWordState { None, Bare, Quoted, QuotedBackslash };

    // Where a word that ends now leads; IsTarget tells whether the word is the target (the stage is then
    // Decided).
    static TStage AfterWord(TStage Stage, std::string_view Word, bool Quoted, bool& IsTarget);
    void EndWord();
    // Adds a character to the word.
    void AddToWord(char C);
    // Empties the word without touching text that a link still views.
    void ClearWord();

    TStage FStage = TStage::Keyword;
    TWordState FWordState = TWordState::None;
    // The word being read, unescaped; kept only while it may matter. It only grows until it is cleared.
    std::shared_ptr<std::string> FWord = std::make_shared<std::string>();
    TRtfTextHash FWordHash;
    TRtfLink FResult; // once Decided
};
