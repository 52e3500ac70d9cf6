#include "ui/LinkSpans.h"

#include <gtest/gtest.h>

namespace {

// Byte offsets from the finder become UTF-16 positions: two-byte letters count once, four-byte characters
// (surrogate pairs) twice, so the underline starts on the link's first character, not beside it.
TEST(LinkSpans, StartOnTheLinksFirstCharacterAfterAnyMixOfCharacters) {
    const QString text =
        QStringLiteral("на ftp://ftp.example.org/pub, 😀 www.kovrin.example.com/😀 и bob@mail.example");
    const std::vector<TLinkSpan> spans = FindLinkSpans(text);
    ASSERT_EQ(spans.size(), 3u);
    const QString shown[] = {QStringLiteral("ftp://ftp.example.org/pub"),
                             QStringLiteral("www.kovrin.example.com/😀"), QStringLiteral("bob@mail.example")};
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_EQ(spans[i].Start, text.indexOf(shown[i])) << i;
        EXPECT_EQ(spans[i].Length, shown[i].size()) << i;
        EXPECT_EQ(spans[i].Text, shown[i]) << i;
    }
    EXPECT_EQ(spans[1].Target, QStringLiteral("http://www.kovrin.example.com/😀"));
    EXPECT_EQ(spans[2].Target, QStringLiteral("mailto:bob@mail.example"));
    EXPECT_EQ(FindLinkSpans(QStringLiteral("http://a.example")).front().Start, 0);
}

} // namespace
