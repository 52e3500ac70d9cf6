#include "ui/RtfReader.h"

#include "ui/RtfCodePage.h"
#include "ui/RtfHyperlink.h"

#include <algorithm>
#include <array>
#include <climits>
#include <iterator>

namespace {

enum class TDest { Text, Skip, FontTable, ColorTable, FieldInstruction };

struct TGroup {
    TDest Dest = TDest::Text;
    bool Bold = false, Italic = false, Underline = false;
    int HalfPoints = 0;
    int ColorIndex = 0; // 0: the viewer's colour
    int Font = -1;      // -1: the document's default font
    int SkipAfterUnicode = 1;
    int Field = -1; // index into TParser::FFields of the field this group belongs to
    std::string Link;
    TRtfAlign Align = TRtfAlign::Left;
    int SpaceBefore = 0, SpaceAfter = 0, LeftIndent = 0, FirstIndent = 0;
};

// Destinations whose content is never shown.
constexpr std::string_view kSkippedDestinations[] = {"stylesheet",
                                                     "info",
                                                     "pict",
                                                     "header",
                                                     "headerl",
                                                     "headerr",
                                                     "headerf",
                                                     "footer",
                                                     "footerl",
                                                     "footerr",
                                                     "footerf",
                                                     "footnote",
                                                     "annotation",
                                                     "object",
                                                     "listtable",
                                                     "revtbl",
                                                     "rsidtbl",
                                                     "generator",
                                                     "xmlnstbl",
                                                     "themedata",
                                                     "datastore",
                                                     "filetbl",
                                                     "nonshppict",
                                                     "listoverridetable",
                                                     "colorschememapping",
                                                     "latentstyles",
                                                     "private",
                                                     "userprops",
                                                     "docvar",
                                                     "template"};

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

class TParser final {
  public:
    explicit TParser(std::string_view bytes) : FIn(bytes) {}

    TRtfReadResult Run() {
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

  private:
    std::string_view FIn;
    std::size_t FPos = 0;
    std::vector<TGroup> FStack;
    TRtfDocument FDoc;
    TRtfParagraph FPara;
    int FDocCodePage = 1252;
    int FDefaultFont = 0;
    std::vector<std::pair<int, int>> FFontCodePages; // font number -> code page (0: the document's)
    int FDefiningFont = 0;
    std::vector<std::optional<TRtfColor>> FColors;
    TRtfColor FNextColor;
    bool FNextColorSet = false;
    std::vector<std::string> FFields; // instruction text of each field met
    int FSkipChars = 0;               // characters still to drop after a \uN
    bool FIgnorableNext = false;      // a \* came before the next control word
    char32_t FHighSurrogate = 0;

    TGroup& Top() { return FStack.back(); }
    const TGroup& Top() const { return FStack.back(); }

    bool Parse(std::string& error) {
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
    bool ConsumeSkipped() {
        if (FSkipChars <= 0)
            return false;
        --FSkipChars;
        return true;
    }

    void ControlSequence() {
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

    void ControlSymbol(char c) {
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

    static int HexValue(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    void ControlWord(std::string_view w, bool hasParam, int p, bool ignorable) {
        TGroup& g = Top();
        const bool on = !hasParam || p != 0;
        if (g.Dest == TDest::Skip && w != "u" && w != "uc")
            return; // nothing inside a skipped group may reopen a destination
        // Destinations first: they decide where the rest of the group goes.
        if (w == "fonttbl") {
            g.Dest = TDest::FontTable;
        } else if (w == "colortbl") {
            g.Dest = TDest::ColorTable;
        } else if (w == "field") {
            FFields.emplace_back();
            g.Field = static_cast<int>(FFields.size()) - 1;
        } else if (w == "fldinst") {
            g.Dest = g.Field >= 0 ? TDest::FieldInstruction : TDest::Skip;
        } else if (w == "fldrslt") {
            if (g.Field >= 0) {
                const std::string target = HyperlinkTarget(FFields[static_cast<std::size_t>(g.Field)]);
                if (!target.empty())
                    g.Link = target;
            }
        } else if (ignorable || std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations),
                                          w) != std::end(kSkippedDestinations)) {
            g.Dest = TDest::Skip;
        } else if (g.Dest == TDest::FontTable) {
            if (w == "f")
                FDefiningFont = p;
            else if (w == "fcharset")
                FFontCodePages.emplace_back(FDefiningFont, CodePageOfCharset(p));
        } else if (g.Dest == TDest::ColorTable) {
            const auto component = static_cast<std::uint8_t>(std::clamp(p, 0, 255));
            if (w == "red")
                FNextColor.Red = component;
            else if (w == "green")
                FNextColor.Green = component;
            else if (w == "blue")
                FNextColor.Blue = component;
            else
                return;
            FNextColorSet = true;
        } else if (w == "ansicpg") {
            FDocCodePage = p > 0 ? p : 1252;
        } else if (w == "deff") {
            FDefaultFont = p;
        } else if (w == "f") {
            g.Font = p;
        } else if (w == "b") {
            g.Bold = on;
        } else if (w == "i") {
            g.Italic = on;
        } else if (w == "ulnone") {
            g.Underline = false;
        } else if (w.substr(0, 2) == "ul" && w != "ulc") {
            g.Underline = on; // \ul and its dotted, double, wave... forms
        } else if (w == "fs") {
            g.HalfPoints = hasParam && p > 0 ? std::min(p, 3276) : 0;
        } else if (w == "cf") {
            g.ColorIndex = std::max(p, 0);
        } else if (w == "plain") {
            g.Bold = g.Italic = g.Underline = false;
            g.HalfPoints = 0;
            g.ColorIndex = 0;
            g.Font = -1;
        } else if (w == "uc") {
            g.SkipAfterUnicode = std::max(p, 0);
        } else if (w == "u") {
            Unicode(p);
        } else if (w == "par" || w == "sect" || w == "page" || w == "row") {
            EndParagraph(true);
        } else if (w == "line") {
            Text("\xE2\x80\xA8");
        } else if (w == "tab" || w == "cell") {
            Text("\t");
        } else if (w == "pard") {
            g.Align = TRtfAlign::Left;
            g.SpaceBefore = g.SpaceAfter = g.LeftIndent = g.FirstIndent = 0;
        } else if (w == "ql") {
            g.Align = TRtfAlign::Left;
        } else if (w == "qc") {
            g.Align = TRtfAlign::Center;
        } else if (w == "qr") {
            g.Align = TRtfAlign::Right;
        } else if (w == "qj") {
            g.Align = TRtfAlign::Justify;
        } else if (w == "sb") {
            g.SpaceBefore = std::clamp(p, 0, 31680);
        } else if (w == "sa") {
            g.SpaceAfter = std::clamp(p, 0, 31680);
        } else if (w == "li") {
            g.LeftIndent = std::clamp(p, -31680, 31680);
        } else if (w == "fi") {
            g.FirstIndent = std::clamp(p, -31680, 31680);
        } else {
            SpecialCharacter(w);
        }
    }

    void SpecialCharacter(std::string_view w) {
        static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kChars{{
            {"emdash", "\xE2\x80\x94"},
            {"endash", "\xE2\x80\x93"},
            {"bullet", "\xE2\x80\xA2"},
            {"lquote", "\xE2\x80\x98"},
            {"rquote", "\xE2\x80\x99"},
            {"ldblquote", "\xE2\x80\x9C"},
            {"rdblquote", "\xE2\x80\x9D"},
            {"emspace", "\xE2\x80\x83"},
            {"enspace", "\xE2\x80\x82"},
        }};
        for (const auto& [word, text] : kChars)
            if (w == word) {
                Text(std::string(text));
                return;
            }
        // Any other control word changes nothing we show.
    }

    void Unicode(int value) {
        const char32_t unit = static_cast<char32_t>(value < 0 ? value + 65536 : value) & 0xFFFF;
        FSkipChars = Top().SkipAfterUnicode;
        std::string out;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (FHighSurrogate != 0)
                RtfAppendUtf8(out, 0xFFFD);
            FHighSurrogate = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            RtfAppendUtf8(out, FHighSurrogate != 0
                                   ? 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (unit - 0xDC00)
                                   : char32_t(0xFFFD));
            FHighSurrogate = 0;
        } else {
            if (FHighSurrogate != 0)
                RtfAppendUtf8(out, 0xFFFD);
            FHighSurrogate = 0;
            RtfAppendUtf8(out, unit);
        }
        if (!out.empty())
            TextKeepSurrogate(out);
    }

    int CodePage() const {
        const int font = Top().Font >= 0 ? Top().Font : FDefaultFont;
        for (auto it = FFontCodePages.rbegin(); it != FFontCodePages.rend(); ++it)
            if (it->first == font && it->second != 0)
                return it->second;
        return FDocCodePage;
    }

    void Byte(unsigned char b) {
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

    void Text(const std::string& utf8) {
        if (FHighSurrogate != 0) {
            FHighSurrogate = 0; // a high surrogate with no low one after it
            TextKeepSurrogate("\xEF\xBF\xBD");
        }
        TextKeepSurrogate(utf8);
    }

    void TextKeepSurrogate(const std::string& utf8) {
        const TGroup& g = Top();
        if (g.Dest == TDest::FieldInstruction) {
            FFields[static_cast<std::size_t>(g.Field)] += utf8;
            return;
        }
        if (g.Dest != TDest::Text)
            return;
        TRtfRun run;
        run.Bold = g.Bold;
        run.Italic = g.Italic;
        run.Underline = g.Underline;
        run.HalfPoints = g.HalfPoints;
        if (g.ColorIndex > 0 && static_cast<std::size_t>(g.ColorIndex) < FColors.size())
            run.Color = FColors[static_cast<std::size_t>(g.ColorIndex)];
        run.Link = g.Link;
        if (!FPara.Runs.empty()) {
            TRtfRun& last = FPara.Runs.back();
            if (last.Bold == run.Bold && last.Italic == run.Italic && last.Underline == run.Underline &&
                last.HalfPoints == run.HalfPoints && last.Color == run.Color && last.Link == run.Link) {
                last.Text += utf8;
                return;
            }
        }
        run.Text = utf8;
        FPara.Runs.push_back(std::move(run));
    }

    // Closes the paragraph being built; `always` also keeps an empty one (an explicit \par).
    void EndParagraph(bool always) {
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
};

} // namespace

TRtfReadResult ReadRtf(std::string_view Bytes) {
    return TParser(Bytes).Run();
}
