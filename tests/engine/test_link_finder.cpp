#include "engine/LinkFinder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct TFound {
    std::string Text;
    TLinkKind Kind;
    bool operator==(const TFound&) const = default;
};

std::vector<TFound> Find(std::string_view text) {
    std::vector<TFound> out;
    for (const TLink& link : FindLinks(text))
        out.push_back({std::string(text.substr(link.Start, link.Length)), link.Kind});
    return out;
}

struct TCase {
    const char* Name;
    std::string Text;
    std::vector<TFound> Expected;
};

void PrintTo(const TFound& f, std::ostream* os) {
    *os << '"' << f.Text << "\" kind " << static_cast<int>(f.Kind);
}

class LinkBoundaries : public testing::TestWithParam<TCase> {};

TEST_P(LinkBoundaries, FindsExactlyTheseLinks) {
    EXPECT_EQ(Find(GetParam().Text), GetParam().Expected) << GetParam().Text;
}

using K = TLinkKind;

INSTANTIATE_TEST_SUITE_P(
    LinkFinder, LinkBoundaries,
    testing::Values(
        TCase{"PlainWeb", "see http://a.example/x?y=1&z=2#f now", {{"http://a.example/x?y=1&z=2#f", K::Web}}},
        TCase{"Https", "https://a.example", {{"https://a.example", K::Web}}},
        TCase{"SchemeCaseIgnored", "HTTP://A.EXAMPLE/", {{"HTTP://A.EXAMPLE/", K::Web}}},
        TCase{"OtherSchemes",
              "ftp://f.x gopher://g.x news:comp.lang news://n.x nntp://n.x prospero://p.x telnet://t.x "
              "wais://w.x",
              {{"ftp://f.x", K::Scheme},
               {"gopher://g.x", K::Scheme},
               {"news:comp.lang", K::Scheme},
               {"news://n.x", K::Scheme},
               {"nntp://n.x", K::Scheme},
               {"prospero://p.x", K::Scheme},
               {"telnet://t.x", K::Scheme},
               {"wais://w.x", K::Scheme}}},
        TCase{"MailtoAndBare",
              "mailto:a@b.c or bob.smith+x@mail.example.org.",
              {{"mailto:a@b.c", K::Mail}, {"bob.smith+x@mail.example.org", K::BareMail}}},
        TCase{"WwwNeedsTwoDots",
              "www.example.com www.example www. www.a.b/c",
              {{"www.example.com", K::Www}, {"www.a.b/c", K::Www}}},
        TCase{"WwwInsideLongerName", "mirror.www.a.b sub-www.a.b xwww.a.b", {}},
        TCase{"SchemeWithoutBody", "http:// and news: today", {}},
        TCase{"SchemeInsideWord", "xhttp://a.b и сайтhttp://a.b", {}},
        TCase{"TrailingPunctuationCut",
              "http://a.b/c. http://a.b/d, http://a.b/e; http://a.b/f: http://a.b/g! "
              "http://a.b/h?",
              {{"http://a.b/c", K::Web},
               {"http://a.b/d", K::Web},
               {"http://a.b/e", K::Web},
               {"http://a.b/f", K::Web},
               {"http://a.b/g", K::Web},
               {"http://a.b/h", K::Web}}},
        // Malformed bytes (overlong, surrogate, invalid leads, a cut-off sequence) belong to the link like
        // any other non-stop character, and a stop after them still ends it.
        TCase{"MalformedBytesInside",
              "http://a.b/\xC0\xAF\xED\xA0\x80\xF8\x88x\xE2\x82 www.c.d\xFF\xC2\xA0z",
              {{"http://a.b/\xC0\xAF\xED\xA0\x80\xF8\x88x\xE2\x82", K::Web}, {"www.c.d\xFF", K::Www}}},
        TCase{"InnerPunctuationKept", "http://a.b/c.d,e;f:g!h?i", {{"http://a.b/c.d,e;f:g!h?i", K::Web}}},
        TCase{"ParenthesesBalanced",
              "(see http://a.b/x) http://a.b/y_(z) [http://a.b/w] http://a.b/v[1]).",
              {{"http://a.b/x", K::Web},
               {"http://a.b/y_(z)", K::Web},
               {"http://a.b/w", K::Web},
               {"http://a.b/v[1]", K::Web}}},
        TCase{"QuotesAndAnglesStop",
              "\"http://a.b/q\" <http://a.b/r> 'http://a.b/s' {http://a.b/t}",
              {{"http://a.b/q", K::Web},
               {"http://a.b/r", K::Web},
               {"http://a.b/s", K::Web},
               {"http://a.b/t", K::Web}}},
        TCase{"TypographicMarksStop",
              "«http://a.b/ru» http://a.b/x\xC2\xA0next “www.c.d.e” http://a.b/y—dash",
              {{"http://a.b/ru", K::Web},
               {"http://a.b/x", K::Web},
               {"www.c.d.e", K::Www},
               {"http://a.b/y", K::Web}}},
        TCase{"CyrillicInLink",
              "http://пример.рф/путь, bob@почта.рф",
              {{"http://пример.рф/путь", K::Web}, {"bob@почта.рф", K::BareMail}}},
        TCase{"BareMailNeedsDomainDot", "a@b c@d. @e.f g@.h.i", {}},
        TCase{"AtInsideWebLinkIsNotMail",
              "http://user@host.example/p",
              {{"http://user@host.example/p", K::Web}}},
        TCase{"LinesAndTabsSeparate",
              "http://a.b\nwww.c.d.e\tx@y.z",
              {{"http://a.b", K::Web}, {"www.c.d.e", K::Www}, {"x@y.z", K::BareMail}}},
        TCase{"MalformedUtf8Tolerated",
              "\xFF\xFE http://a.b/\xC3 \x80x@y.z",
              {{"http://a.b/\xC3", K::Web}, {"x@y.z", K::BareMail}}}),
    [](const testing::TestParamInfo<TCase>& info) { return std::string(info.param.Name); });

TEST(LinkFinder, TargetsAddThePrefixTheDesktopNeeds) {
    const std::string text = "www.a.b.c bob@x.y mailto:c@d.e http://f.g ftp://h.i";
    std::vector<std::string> targets;
    for (const TLink& link : FindLinks(text))
        targets.push_back(LinkTarget(link, text));
    EXPECT_EQ(targets, (std::vector<std::string>{"http://www.a.b.c", "mailto:bob@x.y", "mailto:c@d.e",
                                                 "http://f.g", "ftp://h.i"}));
}

TEST(LinkFinder, TabStepsThroughTheLinksAndLeavesPastTheEnds) {
    const std::vector<std::size_t> at{3, 10, 20}; // from none selected, a link, between links, an end
    EXPECT_EQ((std::vector{StepToLink(at, {}, true), StepToLink(at, {}, false), StepToLink(at, 10, true),
                           StepToLink(at, 15, false), StepToLink(at, 20, true), StepToLink(at, 3, false)}),
              (std::vector<std::optional<std::size_t>>{0, 2, 2, 1, std::nullopt, std::nullopt}));
}

TEST(LinkFinder, LinksLongerThanTheBoundAreNone) {
    const std::string longest = "http://x/" + std::string(kMaxLinkBytes - 9, 'a');
    ASSERT_EQ(FindLinks(longest).size(), 1u);
    EXPECT_EQ(FindLinks(longest)[0].Length, kMaxLinkBytes);
    // One byte more, in every kind: no link, and none is looked for inside it; the text after it still
    // counts.
    const std::string tooLong = longest + "b";
    const std::string www = "www.a." + std::string(kMaxLinkBytes, 'b') + ".c";
    const std::string mail = std::string(kMaxLinkBytes, 'n') + "@x.y";
    for (const std::string& text : {tooLong, tooLong + "/http://y.z", www, mail}) {
        const std::vector<TLink> links = FindLinks(text + " www.a.b.c");
        ASSERT_EQ(links.size(), 1u) << text.substr(0, 12);
        EXPECT_EQ(links[0].Start, text.size() + 1);
        EXPECT_EQ(links[0].Kind, TLinkKind::Www);
    }
}

TEST(LinkFinder, HostileTextsStayLinear) {
    // Each of these would take quadratic time with a naive backtracking search; a million bytes must pass
    // fast enough for the test's default time-out even under sanitizers.
    const std::size_t n = 1'000'000;
    std::string ats(n, '@');
    std::string names;
    while (names.size() < n)
        names += "a.a@";
    std::string wwws;
    while (wwws.size() < n)
        wwws += "www.";
    std::string parens = "http://a.b/" + std::string(n, ')');
    EXPECT_TRUE(FindLinks(ats).empty());
    EXPECT_EQ(FindLinks(names).size(), names.size() / 8); // "a.a@a.a", then a bare "@"
    EXPECT_TRUE(FindLinks(wwws).empty()); // one address a megabyte long: too long to be a link
    ASSERT_EQ(FindLinks(parens).size(), 1u);
    EXPECT_EQ(FindLinks(parens)[0].Length, std::string("http://a.b/").size());
}

} // namespace
