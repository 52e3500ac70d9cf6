#include "rtf/RtfHyperlink.h"
#include "rtf/RtfReader.h"
#include "tests/support/AllocationMeter.h"
#include "tests/support/HangBudget.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// The document's text, paragraphs joined by "\n".
std::string AllText(const TRtfDocument& doc) {
    std::string text;
    for (std::size_t p = 0; p < doc.Paragraphs.size(); ++p) {
        if (p > 0)
            text += '\n';
        for (const TRtfRun& run : doc.Paragraphs[p].Runs)
            text += run.Text;
    }
    return text;
}

TRtfDocument Read(const std::string& rtf) {
    TRtfReadResult result = ReadRtf(rtf);
    EXPECT_TRUE(result.Ok) << result.Error << " in " << rtf;
    return std::move(result.Document);
}

std::string TextOf(const std::string& rtf) {
    return AllText(Read(rtf));
}

TEST(RtfReader, MalformedDocumentsAreErrors) {
    const std::string deep = "{\\rtf1 " + std::string(kRtfMaxDepth, '{') + std::string(kRtfMaxDepth + 1, '}');
    for (const std::string& bad : {std::string(), std::string("plain words"), std::string(" {\\rtf1 x}"),
                                   std::string("{\\pict x}"), std::string("{\\rtf1 open"),
                                   std::string("{\\rtf1 {inner}"), std::string("{\\rtf1 a\\bin99 }"), deep}) {
        const TRtfReadResult result = ReadRtf(bad);
        EXPECT_FALSE(result.Ok) << bad.substr(0, 40);
        EXPECT_FALSE(result.Error.empty());
    }
    // One level less than the limit is still a document.
    const std::string deepest =
        "{\\rtf1 " + std::string(kRtfMaxDepth - 1, '{') + "x" + std::string(kRtfMaxDepth, '}');
    EXPECT_EQ(TextOf(deepest), "x");
}

TEST(RtfReader, TextBreaksAndEscapes) {
    EXPECT_EQ(TextOf("{\\rtf1 one\\par two\\line three\\tab four}"), "one\ntwo\u2028three\tfour");
    EXPECT_EQ(TextOf("{\\rtf1 a\\{b\\}c\\\\d\r\ne}"), "a{b}c\\de");
    EXPECT_EQ(TextOf("{\\rtf1 a\\emdash b\\~c\\bullet\\_\\ldblquote q\\rdblquote\\-}"),
              "a\u2014b\u00A0c\u2022\u2011\u201Cq\u201D");
    EXPECT_EQ(TextOf("{\\rtf1 a\\par\\par b}"), "a\n\nb");
    EXPECT_EQ(TextOf("{\\rtf1 a\\unknownword42 b\\zz-7 c}"), "abc");
    // \binN skips N raw bytes, whatever they are.
    EXPECT_EQ(TextOf("{\\rtf1 a\\bin4 {}}\\b}"), "ab");
}

TEST(RtfReader, CharacterAttributesFollowGroups) {
    const TRtfDocument doc =
        Read("{\\rtf1 n{\\b b{\\i bi}}\\ul u\\ulnone\\i i\\i0\\b\\b0 x{\\ul1 y\\ul0 z}}");
    ASSERT_EQ(doc.Paragraphs.size(), 1u);
    struct TExpected {
        std::string Text;
        bool Bold, Italic, Underline;
    };
    const std::vector<TExpected> expected{{"n", false, false, false}, {"b", true, false, false},
                                          {"bi", true, true, false},  {"u", false, false, true},
                                          {"i", false, true, false},  {"x", false, false, false},
                                          {"y", false, false, true},  {"z", false, false, false}};
    const auto& runs = doc.Paragraphs[0].Runs;
    ASSERT_EQ(runs.size(), expected.size());
    for (std::size_t k = 0; k < runs.size(); ++k) {
        EXPECT_EQ(runs[k].Text, expected[k].Text);
        EXPECT_EQ(runs[k].Bold, expected[k].Bold) << runs[k].Text;
        EXPECT_EQ(runs[k].Italic, expected[k].Italic) << runs[k].Text;
        EXPECT_EQ(runs[k].Underline, expected[k].Underline) << runs[k].Text;
    }
}

TEST(RtfReader, FontSizeAndColourTable) {
    const TRtfDocument doc =
        Read("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
             "\\fs32 big\\fs0\\cf1 red\\cf2 green\\cf0 plain\\cf9 nine\\plain\\fs20 small}");
    const auto& runs = doc.Paragraphs.at(0).Runs;
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].Text, "big");
    EXPECT_EQ(runs[0].HalfPoints, 32);
    EXPECT_EQ(runs[1].Text, "red");
    EXPECT_EQ(runs[1].HalfPoints, 0);
    EXPECT_EQ(runs[1].Color, (TRtfColor{255, 0, 0}));
    EXPECT_EQ(runs[2].Color, (TRtfColor{0, 128, 0}));
    EXPECT_EQ(runs[3].Text, "plainnine"); // \cf0 and a colour past the table both mean the viewer's colour
    EXPECT_FALSE(runs[3].Color.has_value());
    EXPECT_EQ(runs[4].HalfPoints, 20);
}

TEST(RtfReader, TablesAndForeignDestinationsShowNothing) {
    EXPECT_EQ(
        TextOf(
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Verdana;}{\\f1 Courier;}}"
            "{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}{\\author A}}"
            "{\\*\\generator Writer;}{\\pict\\pngblip 89504e47}{\\*\\unknown {\\fonttbl zzz}}"
            "{\\header head}{\\*\\bkmkstart b}shown}"),
        "shown");
}

TEST(RtfReader, BytesFollowTheDocumentOrFontCodePage) {
    EXPECT_EQ(TextOf("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}"), "Привет");
    EXPECT_EQ(TextOf("{\\rtf1 caf\\'e9 \\'80}"), "café €"); // 1252 when the document names no page
    EXPECT_EQ(TextOf("{\\rtf1\\ansi\\ansicpg1251 Raw \xCF\xF0}"), "Raw Пр");
    // A font's charset outranks the document's page: 204 is Cyrillic, 0 is Western.
    EXPECT_EQ(
        TextOf("{\\rtf1\\ansi\\ansicpg1252\\deff1{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset204 Arial "
               "Cyr;}}\\'c4\\f0\\'c4{\\f1\\'c4}\\plain\\'c4}"),
        "ДÄДД");
    EXPECT_EQ(TextOf("{\\rtf1 \\'zz\\'4}"), "zz4"); // broken escapes show what follows them
}

TEST(RtfReader, UnicodeWithItsSubstitutes) {
    EXPECT_EQ(TextOf("{\\rtf1 \\u1055?\\u1088?}"), "Пр");
    // \ucN sets how many substitutes follow, for its group only; an \'hh counts as one.
    EXPECT_EQ(TextOf("{\\rtf1{\\uc2\\u1055 xxA}\\u1088 ?B\\u1080\\'e8C}"), "ПAрBиC");
    EXPECT_EQ(TextOf("{\\rtf1\\uc0\\u1055 ok}"), "Пok");
    // A closing brace ends the substitutes early.
    EXPECT_EQ(TextOf("{\\rtf1{\\uc3\\u1055 x}y}"), "Пy");
    // Negative values stand for code units above 32767; pairs of surrogates join.
    EXPECT_EQ(TextOf("{\\rtf1 \\u-10179?\\u-8704?}"), "\U0001F600");
    EXPECT_EQ(TextOf("{\\rtf1 \\u-10179?x\\u-8704?}"), "\uFFFDx\uFFFD");
}

TEST(RtfReader, HyperlinkFieldsBecomeLinks) {
    const TRtfDocument doc =
        Read("{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}see {\\field{\\*\\fldinst{HYPERLINK "
             "\"http://127.0.0.1:8765\"}}"
             "{\\fldrslt{\\ul\\cf1 the service}}} now {\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}"
             "{\\field{\\*\\fldinst HYPERLINK \\\\l \"top\"}{\\fldrslt up}}}");
    const auto& runs = doc.Paragraphs.at(0).Runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].Text, "see ");
    EXPECT_EQ(runs[0].Link, "");
    EXPECT_EQ(runs[1].Text, "the service");
    EXPECT_EQ(runs[1].Link, "http://127.0.0.1:8765");
    EXPECT_TRUE(runs[1].Underline);
    EXPECT_EQ(runs[2].Text, " now 7up"); // other fields and links inside the document show their result only
    EXPECT_EQ(runs[2].Link, "");
}

TEST(RtfReader, HyperlinkInstructions) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"HYPERLINK \"http://a.b/c d\"", "http://a.b/c d"},
        {" hyperlink http://a.b \\o \"tip\"", "http://a.b"},
        {"HYPERLINK \\o \"tip\" \"mailto:x@y.z\"", "mailto:x@y.z"},
        {"HYPERLINK \"C:\\\\dir\\\\f.txt\"", "C:\\dir\\f.txt"},
        {"HYPERLINK \\l \"bookmark\"", ""},
        {"PAGE", ""},
        {"HYPERLINK", ""},
        {"\"HYPERLINK\" x", ""},
    };
    for (const auto& [instruction, target] : cases)
        EXPECT_EQ(HyperlinkTarget(instruction), target) << instruction;
}

// How instructions were read before the reading became incremental: split into words, then looked at.
std::string WholeInstructionTarget(std::string_view text) {
    std::vector<std::pair<std::string, bool>> words; // text, was quoted
    std::size_t i = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < text.size()) {
        if (blank(text[i])) {
            ++i;
            continue;
        }
        std::string word;
        const bool quoted = text[i] == '"';
        if (quoted) {
            for (++i; i < text.size() && text[i] != '"'; word += text[i++])
                if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"'))
                    ++i;
            ++i;
        } else {
            while (i < text.size() && !blank(text[i]))
                word += text[i++];
        }
        words.emplace_back(std::move(word), quoted);
    }
    std::string first = words.empty() ? "" : words[0].first;
    for (char& c : first)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (words.empty() || words[0].second || first != "HYPERLINK")
        return {};
    for (std::size_t k = 1; k < words.size(); ++k) {
        const auto& [word, quoted] = words[k];
        if (!quoted && word.size() == 2 && word[0] == '\\') {
            if (word[1] == 'l')
                return {};
            if (word[1] == 'o' || word[1] == 't')
                ++k;
            continue;
        }
        return word;
    }
    return {};
}

TEST(RtfReader, InstructionsReadPieceByPieceGiveTheWholeTextsTarget) {
    // Random instructions from the pieces that matter, cut into random pieces: after every piece the target
    // is the one the whole text so far gives.
    const std::vector<std::string> pieces{"HYPERLINK", "hyperlink", "HYPER", "LINK",     " ",   "\t",  "\n",
                                          "\"",        "\\",        "\\\\",  "\\\"",     "\\l", "\\o", "\\t",
                                          "\\x",       "l",         "o",     "http://a", "b c", "x"};
    std::mt19937 random(2024);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = static_cast<int>(random() % 10); n > 0; --n)
            text += pieces[random() % pieces.size()];
        if (random() % 4 != 0)
            text = (random() % 2 ? "HYPERLINK " : " hyperlink\t") + text;
        ASSERT_EQ(HyperlinkTarget(text), WholeInstructionTarget(text)) << text;
        THyperlinkScanner scanner;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t piece = 1 + random() % 4;
            scanner.Append(std::string_view(text).substr(at, piece));
            at = std::min(text.size(), at + piece);
            ASSERT_EQ(scanner.Target(), WholeInstructionTarget(text.substr(0, at))) << text.substr(0, at);
            if (scanner.Decided()) {
                EXPECT_EQ(scanner.Target(), WholeInstructionTarget(text)) << text;
            }
        }
    }
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

TEST(RtfReader, HostileShapesStayWithinTheHangBudget) {
    const std::string head = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 Verdana;}}";
    const std::string target = "http://x/" + std::string(1'000'000, 'A');
    const std::string longField = "{\\field{\\*\\fldinst HYPERLINK \"" + target + "\"}";
    std::string fonts = "{\\rtf1{\\fonttbl{\\f0\\fcharset204 A;}";
    for (int i = 1; i <= 45000; ++i)
        fonts += "{\\f" + std::to_string(i) + "\\fcharset0 B;}";
    fonts += "}\\f0 " + Repeat("\\'c0", 250000) + "}";
    struct TShape {
        const char* Name;
        std::string Rtf;
        std::string Text; // what the document shows
        bool Linked;      // whether it links to target
    };
    const TShape shapes[] = {
        {"\\fldrslt repeated after a long instruction",
         head + longField + "{" + Repeat("\\fldrslt", 1000) + " x}}}", "x", true},
        {"text after a long link", head + longField + "{\\fldrslt " + std::string(200000, 'x') + "}}}",
         std::string(200000, 'x'), true},
        {"groups inside a long link", head + longField + "{\\fldrslt " + Repeat("{x}", 100000) + "}}}",
         std::string(100000, 'x'), true},
        {"instruction text after the link",
         head + longField + Repeat("{\\*\\fldinst x}{\\fldrslt x}", 40000) + "}}", std::string(40000, 'x'),
         true},
        {"large font table", fonts, Repeat("\xD0\x90", 250000), false}, // А in code page 1251
    };
    for (const TShape& shape : shapes) {
        TRtfReadResult result;
        EXPECT_LT(LeastSeconds(1, [&] { result = ReadRtf(shape.Rtf); }), kHangBudgetSeconds) << shape.Name;
        ASSERT_TRUE(result.Ok) << shape.Name;
        ASSERT_EQ(result.Document.Paragraphs.size(), 1u) << shape.Name;
        const auto& runs = result.Document.Paragraphs[0].Runs;
        ASSERT_EQ(runs.size(), 1u) << shape.Name;
        EXPECT_EQ(runs[0].Text, shape.Text) << shape.Name;
        EXPECT_EQ(runs[0].Link, shape.Linked ? target : "") << shape.Name;
    }
}

TEST(RtfReader, LongTargetsAreHeldOnceHoweverManyRunsShowThem) {
    // A megabyte of target shown by a thousand runs: the runs share it. So do the targets of an instruction
    // left inside quotes that grows between its results, and two fields that name the same long target; two
    // that name different ones are told apart without reading them.
    const std::string head = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 Verdana;}}";
    const std::string target = "http://x/" + std::string(1'000'000, 'A');
    const std::string open = "{\\field{\\*\\fldinst HYPERLINK \"" + target;
    const int times = 1000;
    struct TShape {
        const char* Name;
        std::string Rtf;
        std::size_t Runs;                        // in the one paragraph
        std::size_t FirstLinkSize, LastLinkSize; // of the first and the last run
    };
    const TShape shapes[] = {
        {"results of one long link among plain text",
         head + open + "\"}" + Repeat("{\\fldrslt x}y", times) + "}}", 2 * times, target.size(), 0},
        {"results of an unclosed quoted target that grows",
         head + open + "}" + Repeat("{\\fldrslt x}{\\*\\fldinst A}", times) + "}}", times, target.size(),
         target.size() + times - 1},
        {"results of two fields with one long target, alternating",
         head + open + "\"}{\\fldrslt a" + open + "\"}" + Repeat("{\\fldrslt b}a", 40000) + "}}}}", 1,
         target.size(), target.size()},
        {"results of two fields whose long targets differ in their last byte, alternating",
         head + open + "1\"}{\\fldrslt a" + open + "2\"}" + Repeat("{\\fldrslt b}a", 40000) + "}}}}", 80001,
         target.size() + 1, target.size() + 1},
    };
    for (const TShape& shape : shapes) {
        TRtfReadResult result;
        std::size_t peak = 0;
        EXPECT_LT(LeastSeconds(1, [&] { peak = PeakNewBytes([&] { result = ReadRtf(shape.Rtf); }); }),
                  kHangBudgetSeconds)
            << shape.Name;
        // Linear: a run for every 13 bytes of input costs about 16 times the input; each run's own copy of
        // the target took a gigabyte.
        EXPECT_LT(peak, 32 * shape.Rtf.size()) << shape.Name;
        ASSERT_TRUE(result.Ok) << shape.Name;
        ASSERT_EQ(result.Document.Paragraphs.size(), 1u) << shape.Name;
        const auto& runs = result.Document.Paragraphs[0].Runs;
        ASSERT_EQ(runs.size(), shape.Runs) << shape.Name;
        EXPECT_EQ(runs.front().Link.size(), shape.FirstLinkSize) << shape.Name;
        EXPECT_EQ(runs.back().Link.size(), shape.LastLinkSize) << shape.Name;
        for (const TRtfRun& run : {runs.front(), runs.back()})
            EXPECT_TRUE(run.Link.empty() || run.Link.Text().starts_with(target)) << shape.Name;
    }
}

TEST(RtfReader, ParagraphAttributes) {
    const TRtfDocument doc = Read("{\\rtf1\\qc\\sb120\\sa60\\li360\\fi-180 a\\par\\pard b\\par\\qr c}");
    ASSERT_EQ(doc.Paragraphs.size(), 3u);
    EXPECT_EQ(doc.Paragraphs[0].Align, TRtfAlign::Center);
    EXPECT_EQ(doc.Paragraphs[0].SpaceBefore, 120);
    EXPECT_EQ(doc.Paragraphs[0].SpaceAfter, 60);
    EXPECT_EQ(doc.Paragraphs[0].LeftIndent, 360);
    EXPECT_EQ(doc.Paragraphs[0].FirstIndent, -180);
    EXPECT_EQ(doc.Paragraphs[1].Align, TRtfAlign::Left);
    EXPECT_EQ(doc.Paragraphs[1].SpaceBefore, 0);
    EXPECT_EQ(doc.Paragraphs[2].Align, TRtfAlign::Right); // the last paragraph, closed by the document's end
}

TEST(RtfReader, HostileInputNeitherCrashesNorHangs) {
    // Overlong numbers and words, stray backslashes at the end, and random damage to a real document.
    EXPECT_TRUE(ReadRtf("{\\rtf1\\fs99999999999999999999\\u99999999999999 x\\uc999999999 y}").Ok);
    EXPECT_TRUE(ReadRtf("{\\rtf1 " + std::string(10000, 'a') + "123 x}").Ok);
    EXPECT_FALSE(ReadRtf("{\\rtf1 \\").Ok);
    EXPECT_FALSE(ReadRtf("{\\rtf1 \\'").Ok);
    const std::string sample =
        "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 V;}}{\\colortbl;\\red9;}"
        "{\\field{\\*\\fldinst HYPERLINK \"http://x.y\"}{\\fldrslt\\b\\cf1 \\'cf}}"
        "\\u1055?\\par\\bin2 ab\\uc2\\u-10179??}";
    std::mt19937 random(12345);
    for (int round = 0; round < 5000; ++round) {
        std::string damaged = sample;
        for (int k = 0; k < 4; ++k)
            damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
        const TRtfReadResult result = ReadRtf(damaged);
        EXPECT_TRUE(result.Ok || !result.Error.empty());
    }
}

} // namespace
