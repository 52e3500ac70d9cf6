#include "ui/RtfCodePage.h"
#include "ui/RtfParser.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace RtfInternal {

namespace {

// Destinations whose content is never shown.
// clang-format off
constexpr std::string_view kSkippedDestinations[] = {
    "stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
    "footerf", "footnote", "annotation", "object", "listtable", "listoverridetable", "revtbl", "rsidtbl",
    "generator", "xmlnstbl", "themedata", "colorschememapping", "latentstyles", "datastore", "filetbl",
    "nonshppict", "private", "userprops", "docvar", "template"};
// clang-format on

} // namespace

void TRtfParser::ControlWord(std::string_view w, bool hasParam, int p, bool ignorable) {
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
        // Outside a text destination the link could show nowhere: every group inside such a group stays
        // outside one too.
        if (g.Field >= 0 && g.Dest == TDest::Text) {
            if (auto link = FieldLink(FFields[static_cast<std::size_t>(g.Field)]))
                g.Link = std::move(link);
        }
    } else if (ignorable || std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations), w) !=
                                std::end(kSkippedDestinations)) {
        g.Dest = TDest::Skip;
    } else if (g.Dest == TDest::FontTable) {
        if (w == "f")
            FDefiningFont = p;
        else if (w == "fcharset" && CodePageOfCharset(p) != 0)
            FFontCodePages[FDefiningFont] = CodePageOfCharset(p);
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

void TRtfParser::SpecialCharacter(std::string_view w) {
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

void TRtfParser::Unicode(int value) {
    const char32_t unit = static_cast<char32_t>(value < 0 ? value + 65536 : value) & 0xFFFF;
    FSkipChars = Top().SkipAfterUnicode;
    std::string out;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (FHighSurrogate != 0)
            RtfAppendUtf8(out, 0xFFFD);
        FHighSurrogate = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        RtfAppendUtf8(out, FHighSurrogate != 0 ? 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (unit - 0xDC00)
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
} // namespace RtfInternal
