#include "rtf/RtfHyperlink.h"

#include "text/Ascii.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

constexpr std::string_view kKeyword = "HYPERLINK";

} // namespace

std::string HyperlinkTarget(std::string_view Instruction) {
    THyperlinkScanner scanner;
    scanner.Append(Instruction);
    return scanner.Target();
}

// The instruction is a list of words split at blanks; a quoted word keeps its blanks and loses its quotes,
// and inside quotes Word writes "\\" for one backslash and \" for a quote. The first word must be HYPERLINK;
// the first later word that is not a switch is the target, \l means a bookmark (no target), and \o and \t
// take the word after them as their argument.
THyperlinkScanner::TStage THyperlinkScanner::AfterWord(TStage Stage, std::string_view Word, bool Quoted,
                                                       bool& IsTarget) {
    IsTarget = false;
    switch (Stage) {
    case TStage::Keyword:
        return !Quoted && EqualsNoCase(Word, kKeyword) ? TStage::Target : TStage::Decided;
    case TStage::SwitchArgument:
        return TStage::Target;
    case TStage::Target:
        if (!Quoted && Word.size() == 2 && Word[0] == '\\') {
            if (Word[1] == 'l')
                return TStage::Decided; // a place in this document, not something to open
            return Word[1] == 'o' || Word[1] == 't' ? TStage::SwitchArgument : TStage::Target;
        }
        IsTarget = true;
        return TStage::Decided;
    case TStage::Decided:
        break;
    }
    return TStage::Decided;
}

void THyperlinkScanner::EndWord() {
    bool isTarget = false;
    FStage = AfterWord(FStage, *FWord, FWordState != TWordState::Bare, isTarget);
    if (isTarget)
        FResult = TRtfLink(FWord, FWord->size(), false, FWordHash.Value());
    FWordState = TWordState::None;
    ClearWord();
}

void THyperlinkScanner::AddToWord(char C) {
    *FWord += C;
    FWordHash.Add(C);
}

void THyperlinkScanner::ClearWord() {
    if (FWord.use_count() > 1)
        FWord = std::make_shared<std::string>(); // links view the old one
    else
        FWord->clear();
    FWordHash.Clear();
}

void THyperlinkScanner::Append(std::string_view Piece) {
    for (const char c : Piece) {
        if (FStage == TStage::Decided)
            return;
        switch (FWordState) {
        case TWordState::None:
            if (IsBlank(c))
                break;
            if (c == '"') {
                FWordState = TWordState::Quoted;
                if (FStage == TStage::Keyword)
                    FStage = TStage::Decided; // a quoted first word is never the keyword
            } else {
                FWordState = TWordState::Bare;
                AddToWord(c);
            }
            break;
        case TWordState::Bare:
            if (IsBlank(c))
                EndWord();
            else
                AddToWord(c);
            break;
        case TWordState::Quoted:
            if (c == '"')
                EndWord();
            else if (c == '\\')
                FWordState = TWordState::QuotedBackslash;
            else
                AddToWord(c);
            break;
        case TWordState::QuotedBackslash:
            // "\\" and \" stand for the second character; any other backslash stands for itself.
            if (c != '\\' && c != '"')
                AddToWord('\\');
            AddToWord(c);
            FWordState = TWordState::Quoted;
            break;
        }
        if (FStage == TStage::SwitchArgument && FWordState != TWordState::None)
            ClearWord(); // a switch's argument is passed over whatever it says
        else if (FStage == TStage::Keyword && FWord->size() > kKeyword.size())
            FStage = TStage::Decided; // too long to be the keyword
    }
}

TRtfLink THyperlinkScanner::Link() const {
    if (FStage == TStage::Decided)
        return FResult;
    if (FWordState == TWordState::None)
        return {};
    // The instruction ends inside a word: that word ends here (a backslash last inside quotes is itself).
    bool isTarget = false;
    AfterWord(FStage, *FWord, FWordState != TWordState::Bare, isTarget);
    if (!isTarget)
        return {};
    if (FWordState != TWordState::QuotedBackslash)
        return TRtfLink(FWord, FWord->size(), false, FWordHash.Value());
    TRtfTextHash withTail = FWordHash;
    withTail.Add('\\');
    return TRtfLink(FWord, FWord->size(), true, withTail.Value());
}
