#include "rtf/RtfReader.h"

#include "rtf/RtfCodePage.h"
#include "rtf/RtfParser.h"

#include <algorithm>
#include <climits>

namespace RtfInternal {

namespace {

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

TRtfReadResult TRtfParser::Run() {
    TRtfReadResult result;
    if (FIn.substr(0, 5) != "{\\rtf") {
        result.Error = "not an RTF document: it does not start with {\\rtf";
        return result;
    }
    if (!Parse(result.Error))
        return result;
    result.Ok = true;
    result.Document = std::move(FDoc);
    return result;
}

bool TRtfParser::Parse(std::string& error) {
    while (FPos < FIn.size()) {
        const char c = FIn[FPos];
        if (c == '{') {
            ++FPos;
            if (static_cast<int>(FStack.size()) >= kRtfMaxDepth) {
                error = "groups nest deeper than " + std::to_string(kRtfMaxDepth);
                return false;
            }
            FStack.push_back(FStack.empty() ? TGroup{} : Top());
            FSkipChars = 0;
            FIgnorableNext = false;
        } else if (c == '}') {
            ++FPos;
            if (FStack.empty()) {
                error = "unbalanced braces: a } without its {";
                return false;
            }
            if (FStack.size() == 1)
                EndParagraph(false); // the last paragraph keeps the attributes in force at its end
            FStack.pop_back();
            FSkipChars = 0;
            if (FStack.empty())
                return true; // what follows the document's group is not part of it
        } else if (FStack.empty()) {
            error = "text outside the document's group";
            return false;
        } else if (c == '\\') {
            ++FPos;
            ControlSequence();
        } else {
            ++FPos;
            if (c == '\r' || c == '\n')
                continue;
            if (ConsumeSkipped())
                continue;
            if (c == '\t')
                Text("\t");
            else if (static_cast<unsigned char>(c) >= 0x20)
                Byte(static_cast<unsigned char>(c));
        }
    }
    error = "unbalanced braces: the document ends inside a group";
    return false;
}

// Drops one character that stands in for the Unicode character before it.
bool TRtfParser::ConsumeSkipped() {
    if (FSkipChars <= 0)
        return false;
    --FSkipChars;
    return true;
}

void TRtfParser::ControlSequence() {
    if (FPos >= FIn.size())
        return;
    const char c = FIn[FPos];
    if (!IsAsciiAlpha(c)) {
        ++FPos;
        ControlSymbol(c);
        return;
    }
    const std::size_t start = FPos;
    while (FPos < FIn.size() && IsAsciiAlpha(FIn[FPos]))
        ++FPos;
    const std::string_view word = FIn.substr(start, std::min<std::size_t>(FPos - start, 32));
    bool hasParam = false;
    long long param = 0;
    bool negative = false;
    if (FPos < FIn.size() && FIn[FPos] == '-' && FPos + 1 < FIn.size() && IsAsciiDigit(FIn[FPos + 1])) {
        negative = true;
        ++FPos;
    }
    while (FPos < FIn.size() && IsAsciiDigit(FIn[FPos])) {
        hasParam = true;
        param = std::min<long long>(param * 10 + (FIn[FPos] - '0'), INT_MAX);
        ++FPos;
    }
    if (FPos < FIn.size() && FIn[FPos] == ' ')
        ++FPos;
    if (word == "bin" && hasParam) {
        // Binary data: skipped whole, whatever bytes it holds.
        FPos += std::min<std::size_t>(static_cast<std::size_t>(param), FIn.size() - FPos);
        return;
    }
    if (ConsumeSkipped())
        return;
    const bool ignorable = FIgnorableNext;
    FIgnorableNext = false;
    ControlWord(word, hasParam, static_cast<int>(negative ? -param : param), ignorable);
}

void TRtfParser::ControlSymbol(char c) {
    if (c == '\'') {
        const int hi = FPos < FIn.size() ? HexValue(FIn[FPos]) : -1;
        const int lo = FPos + 1 < FIn.size() ? HexValue(FIn[FPos + 1]) : -1;
        if (hi < 0 || lo < 0)
            return;
        FPos += 2;
        if (!ConsumeSkipped())
            Byte(static_cast<unsigned char>(hi * 16 + lo));
        return;
    }
    if (c == '*') {
        FIgnorableNext = true;
        return;
    }
    if (ConsumeSkipped())
        return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        Text(std::string(1, c));
        break;
    case '~':
        Text("\xC2\xA0");
        break;
    case '_':
        Text("\xE2\x80\x91");
        break;
    case '\r':
    case '\n':
        EndParagraph(true);
        break;
    default:
        break; // \- (optional hyphen), \| and \: (index marks) and unknown symbols show nothing
    }
}

int TRtfParser::HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int TRtfParser::CodePage() const {
    const int font = Top().Font >= 0 ? Top().Font : FDefaultFont;
    const auto it = FFontCodePages.find(font);
    return it != FFontCodePages.end() ? it->second : FDocCodePage;
}

void TRtfParser::Byte(unsigned char b) {
    if (Top().Dest == TDest::ColorTable) {
        if (b == ';') {
            FColors.push_back(FNextColorSet ? std::optional(FNextColor) : std::nullopt);
            FNextColor = {};
            FNextColorSet = false;
        }
        return;
    }
    Text(CodePageByteToUtf8(CodePage(), b));
}

void TRtfParser::Text(const std::string& utf8) {
    if (FHighSurrogate != 0) {
        FHighSurrogate = 0; // a high surrogate with no low one after it
        TextKeepSurrogate("\xEF\xBF\xBD");
    }
    TextKeepSurrogate(utf8);
}

TRtfLink TRtfParser::FieldLink(TField& field) {
    if (!field.LinkKnown) {
        field.Link = field.Instruction.Link();
        field.LinkKnown = true;
    }
    return field.Link;
}

bool TRtfParser::LastRunHasGroupLink() {
    TGroup& g = Top();
    const TRtfLink& last = FPara.Runs.back().Link;
    if (last.SharesTextWith(g.Link))
        return true;
    if (!(last == g.Link))
        return false;
    // The same text held twice (two fields that name one target): from here on the group and its field hold
    // the run's copy, so that the next comparison need not read the text again.
    if (g.Field >= 0) {
        TField& field = FFields[static_cast<std::size_t>(g.Field)];
        if (field.LinkKnown && field.Link.SharesTextWith(g.Link))
            field.Link = last;
    }
    g.Link = last;
    return true;
}

void TRtfParser::TextKeepSurrogate(const std::string& utf8) {
    const TGroup& g = Top();
    if (g.Dest == TDest::FieldInstruction) {
        TField& field = FFields[static_cast<std::size_t>(g.Field)];
        // Text after the instruction has decided cannot change its target.
        if (!field.Instruction.Decided()) {
            field.Instruction.Append(utf8);
            field.LinkKnown = false;
        }
        return;
    }
    if (g.Dest != TDest::Text)
        return;
    std::optional<TRtfColor> color;
    if (g.ColorIndex > 0 && static_cast<std::size_t>(g.ColorIndex) < FColors.size())
        color = FColors[static_cast<std::size_t>(g.ColorIndex)];
    if (!FPara.Runs.empty()) {
        TRtfRun& last = FPara.Runs.back();
        if (last.Bold == g.Bold && last.Italic == g.Italic && last.Underline == g.Underline &&
            last.HalfPoints == g.HalfPoints && last.Color == color && LastRunHasGroupLink()) {
            last.Text += utf8;
            return;
        }
    }
    TRtfRun run;
    run.Text = utf8;
    run.Bold = g.Bold;
    run.Italic = g.Italic;
    run.Underline = g.Underline;
    run.HalfPoints = g.HalfPoints;
    run.Color = color;
    run.Link = g.Link;
    FPara.Runs.push_back(std::move(run));
}

// Closes the paragraph being built; `always` also keeps an empty one (an explicit \par).
void TRtfParser::EndParagraph(bool always) {
    if (!always && FPara.Runs.empty())
        return;
    if (!FStack.empty()) {
        const TGroup& g = Top();
        if (g.Dest != TDest::Text)
            return;
        FPara.Align = g.Align;
        FPara.SpaceBefore = g.SpaceBefore;
        FPara.SpaceAfter = g.SpaceAfter;
        FPara.LeftIndent = g.LeftIndent;
        FPara.FirstIndent = g.FirstIndent;
    }
    FDoc.Paragraphs.push_back(std::move(FPara));
    FPara = {};
}
} // namespace RtfInternal

TRtfReadResult ReadRtf(std::string_view Bytes) {
    return RtfInternal::TRtfParser(Bytes).Run();
}
