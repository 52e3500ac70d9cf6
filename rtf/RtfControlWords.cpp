#include "rtf/RtfCodePage.h"
#include "rtf/RtfParser.h"
#include "text/Utf8.h"

#include <algorithm>
#include <array>
#include <span>

namespace RtfInternal {

namespace {

// A control word's name and what it does to the parser and the group it appears in.
struct TControlWord {
    std::string_view Word;
    void (*Act)(TRtfParser& Parser, TGroup& Group, bool HasParam, int Param);
};

// A control word's parameter as a switch: no parameter or any but 0 turns it on.
bool On(bool hasParam, int param) {
    return !hasParam || param != 0;
}

template <std::size_t N> constexpr bool IsSorted(const std::array<std::string_view, N>& words) {
    return std::is_sorted(words.begin(), words.end());
}

constexpr bool IsSorted(std::span<const TControlWord> words) {
    return std::is_sorted(words.begin(), words.end(),
                          [](const TControlWord& a, const TControlWord& b) { return a.Word < b.Word; });
}

// The action of Word in a table sorted by word; null when the table does not name it.
auto Find(std::span<const TControlWord> table, std::string_view word) -> decltype(TControlWord::Act) {
    const auto it =
        std::lower_bound(table.begin(), table.end(), word,
                         [](const TControlWord& entry, std::string_view w) { return entry.Word < w; });
    return it != table.end() && it->Word == word ? it->Act : nullptr;
}

// Destinations whose content is never shown.
constexpr std::array<std::string_view, 30> kSkippedDestinations{"annotation",   "colorschememapping",
                                                                "datastore",    "docvar",
                                                                "filetbl",      "footer",
                                                                "footerf",      "footerl",
                                                                "footerr",      "footnote",
                                                                "generator",    "header",
                                                                "headerf",      "headerl",
                                                                "headerr",      "info",
                                                                "latentstyles", "listoverridetable",
                                                                "listtable",    "nonshppict",
                                                                "object",       "pict",
                                                                "private",      "revtbl",
                                                                "rsidtbl",      "stylesheet",
                                                                "template",     "themedata",
                                                                "userprops",    "xmlnstbl"};
static_assert(IsSorted(kSkippedDestinations));

// Words that stand for one character.
constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kCharacters{{
    {"bullet", "\xE2\x80\xA2"},
    {"emdash", "\xE2\x80\x94"},
    {"emspace", "\xE2\x80\x83"},
    {"endash", "\xE2\x80\x93"},
    {"enspace", "\xE2\x80\x82"},
    {"ldblquote", "\xE2\x80\x9C"},
    {"lquote", "\xE2\x80\x98"},
    {"rdblquote", "\xE2\x80\x9D"},
    {"rquote", "\xE2\x80\x99"},
}};
static_assert(std::is_sorted(kCharacters.begin(), kCharacters.end()));

} // namespace

// The tables of control words, each sorted by word. Being a member, they may act on the parser's state.
struct TRtfParser::TWords {
    // Words that decide where the rest of the group goes: acted on in every group but a skipped one.
    static constexpr std::array<TControlWord, 5> kDestinations{{
        {"colortbl", [](TRtfParser&, TGroup& g, bool, int) { g.Dest = TDest::ColorTable; }},
        {"field",
         [](TRtfParser& r, TGroup& g, bool, int) {
             r.FFields.emplace_back();
             g.Field = static_cast<int>(r.FFields.size()) - 1;
         }},
        {"fldinst", [](TRtfParser&, TGroup& g, bool,
                       int) { g.Dest = g.Field >= 0 ? TDest::FieldInstruction : TDest::Skip; }},
        {"fldrslt",
         [](TRtfParser& r, TGroup& g, bool, int) {
             // Outside a text destination the link could show nowhere: every group inside such a group stays
             // outside one too.
             if (g.Field < 0 || g.Dest != TDest::Text)
                 return;
             if (TRtfLink link = r.FieldLink(r.FFields[static_cast<std::size_t>(g.Field)]); !link.empty())
                 g.Link = std::move(link);
         }},
        {"fonttbl", [](TRtfParser&, TGroup& g, bool, int) { g.Dest = TDest::FontTable; }},
    }};

    // Inside the font table.
    static constexpr std::array<TControlWord, 2> kFontTable{{
        {"f", [](TRtfParser& r, TGroup&, bool, int p) { r.FDefiningFont = p; }},
        {"fcharset",
         [](TRtfParser& r, TGroup&, bool, int p) {
             if (CodePageOfCharset(p) != 0)
                 r.FFontCodePages[r.FDefiningFont] = CodePageOfCharset(p);
         }},
    }};

    // Inside the colour table: the components of the next colour.
    static void Component(TRtfParser& r, std::uint8_t TRtfColor::*component, int p) {
        r.FNextColor.*component = static_cast<std::uint8_t>(std::clamp(p, 0, 255));
        r.FNextColorSet = true;
    }
    static constexpr std::array<TControlWord, 3> kColorTable{{
        {"blue", [](TRtfParser& r, TGroup&, bool, int p) { Component(r, &TRtfColor::Blue, p); }},
        {"green", [](TRtfParser& r, TGroup&, bool, int p) { Component(r, &TRtfColor::Green, p); }},
        {"red", [](TRtfParser& r, TGroup&, bool, int p) { Component(r, &TRtfColor::Red, p); }},
    }};

    // Everywhere else: the document's settings, character and paragraph attributes, breaks.
    static void Break(TRtfParser& r, TGroup&, bool, int) { r.EndParagraph(true); }
    static void Tab(TRtfParser& r, TGroup&, bool, int) { r.Text("\t"); }
    static constexpr std::array<TControlWord, 27> kText{{
        {"ansicpg", [](TRtfParser& r, TGroup&, bool, int p) { r.FDocCodePage = p > 0 ? p : 1252; }},
        {"b", [](TRtfParser&, TGroup& g, bool has, int p) { g.Bold = On(has, p); }},
        {"cell", Tab},
        {"cf", [](TRtfParser&, TGroup& g, bool, int p) { g.ColorIndex = std::max(p, 0); }},
        {"deff", [](TRtfParser& r, TGroup&, bool, int p) { r.FDefaultFont = p; }},
        {"f", [](TRtfParser&, TGroup& g, bool, int p) { g.Font = p; }},
        {"fi", [](TRtfParser&, TGroup& g, bool, int p) { g.FirstIndent = std::clamp(p, -31680, 31680); }},
        {"fs", [](TRtfParser&, TGroup& g, bool has,
                  int p) { g.HalfPoints = has && p > 0 ? std::min(p, 3276) : 0; }},
        {"i", [](TRtfParser&, TGroup& g, bool has, int p) { g.Italic = On(has, p); }},
        {"li", [](TRtfParser&, TGroup& g, bool, int p) { g.LeftIndent = std::clamp(p, -31680, 31680); }},
        {"line", [](TRtfParser& r, TGroup&, bool, int) { r.Text("\xE2\x80\xA8"); }},
        {"page", Break},
        {"par", Break},
        {"pard",
         [](TRtfParser&, TGroup& g, bool, int) {
             g.Align = TRtfAlign::Left;
             g.SpaceBefore = g.SpaceAfter = g.LeftIndent = g.FirstIndent = 0;
         }},
        {"plain",
         [](TRtfParser&, TGroup& g, bool, int) {
             g.Bold = g.Italic = g.Underline = false;
             g.HalfPoints = 0;
             g.ColorIndex = 0;
             g.Font = -1;
         }},
        {"qc", [](TRtfParser&, TGroup& g, bool, int) { g.Align = TRtfAlign::Center; }},
        {"qj", [](TRtfParser&, TGroup& g, bool, int) { g.Align = TRtfAlign::Justify; }},
        {"ql", [](TRtfParser&, TGroup& g, bool, int) { g.Align = TRtfAlign::Left; }},
        {"qr", [](TRtfParser&, TGroup& g, bool, int) { g.Align = TRtfAlign::Right; }},
        {"row", Break},
        {"sa", [](TRtfParser&, TGroup& g, bool, int p) { g.SpaceAfter = std::clamp(p, 0, 31680); }},
        {"sb", [](TRtfParser&, TGroup& g, bool, int p) { g.SpaceBefore = std::clamp(p, 0, 31680); }},
        {"sect", Break},
        {"tab", Tab},
        {"u", [](TRtfParser& r, TGroup&, bool, int p) { r.Unicode(p); }},
        {"uc", [](TRtfParser&, TGroup& g, bool, int p) { g.SkipAfterUnicode = std::max(p, 0); }},
        {"ulnone", [](TRtfParser&, TGroup& g, bool, int) { g.Underline = false; }},
    }};
};

void TRtfParser::ControlWord(std::string_view w, bool hasParam, int p, bool ignorable) {
    static_assert(IsSorted(TWords::kDestinations) && IsSorted(TWords::kFontTable) &&
                  IsSorted(TWords::kColorTable) && IsSorted(TWords::kText));
    TGroup& g = Top();
    if (g.Dest == TDest::Skip && w != "u" && w != "uc")
        return; // nothing inside a skipped group may reopen a destination
    if (const auto act = Find(TWords::kDestinations, w)) {
        act(*this, g, hasParam, p);
        return;
    }
    if (ignorable || std::binary_search(kSkippedDestinations.begin(), kSkippedDestinations.end(), w)) {
        g.Dest = TDest::Skip;
        return;
    }
    if (g.Dest == TDest::FontTable || g.Dest == TDest::ColorTable) {
        // The tables' own words; nothing else in them changes what shows.
        if (const auto act =
                Find(g.Dest == TDest::FontTable ? std::span<const TControlWord>(TWords::kFontTable)
                                                : std::span<const TControlWord>(TWords::kColorTable),
                     w))
            act(*this, g, hasParam, p);
        return;
    }
    if (const auto act = Find(TWords::kText, w))
        act(*this, g, hasParam, p);
    else if (w.starts_with("ul") && w != "ulc")
        g.Underline = On(hasParam, p); // \ul and its dotted, double, wave... forms
    else
        SpecialCharacter(w);
}

void TRtfParser::SpecialCharacter(std::string_view w) {
    const auto it =
        std::lower_bound(kCharacters.begin(), kCharacters.end(), w,
                         [](const auto& entry, std::string_view word) { return entry.first < word; });
    if (it != kCharacters.end() && it->first == w)
        Text(std::string(it->second));
    // Any other control word changes nothing we show.
}

void TRtfParser::Unicode(int value) {
    const char32_t unit = static_cast<char32_t>(value < 0 ? value + 65536 : value) & 0xFFFF;
    FSkipChars = Top().SkipAfterUnicode;
    std::string out;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (FHighSurrogate != 0)
            AppendUtf8(out, 0xFFFD);
        FHighSurrogate = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        AppendUtf8(out, FHighSurrogate != 0 ? 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (unit - 0xDC00)
                                            : char32_t(0xFFFD));
        FHighSurrogate = 0;
    } else {
        if (FHighSurrogate != 0)
            AppendUtf8(out, 0xFFFD);
        FHighSurrogate = 0;
        AppendUtf8(out, unit);
    }
    if (!out.empty())
        TextKeepSurrogate(out);
}
} // namespace RtfInternal
