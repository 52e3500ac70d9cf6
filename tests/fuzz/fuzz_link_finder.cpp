// The news link finder over arbitrary text: links lie inside the text, in order, without overlap, start and
// end on character boundaries, hold no blank, and their targets carry the prefix their kind asks for.

#include "engine/LinkFinder.h"
#include "tests/fuzz/FuzzCheck.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool StartsNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        if (c != prefix[i])
            return false;
    }
    return true;
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

void CheckKind(TLinkKind kind, std::string_view link) {
    switch (kind) {
    case TLinkKind::Web:
        FUZZ_CHECK(StartsNoCase(link, "http://") || StartsNoCase(link, "https://"), "web link without http");
        break;
    case TLinkKind::Mail:
        FUZZ_CHECK(StartsNoCase(link, "mailto:") && link.size() > 7, "mail link without mailto:");
        break;
    case TLinkKind::BareMail: {
        const std::size_t at = link.find('@');
        FUZZ_CHECK(at != std::string_view::npos && at > 0, "bare address without a name and @");
        FUZZ_CHECK(link.find('.', at) != std::string_view::npos, "bare address without a dotted domain");
        break;
    }
    case TLinkKind::Www:
        FUZZ_CHECK(StartsNoCase(link, "www.") && link.find('.', 4) != std::string_view::npos,
                   "www link without www. and a further dot");
        break;
    case TLinkKind::Scheme: {
        static constexpr std::string_view kSchemes[] = {"ftp://",      "gopher://", "news:",  "nntp://",
                                                        "prospero://", "telnet://", "wais://"};
        const bool known = std::any_of(std::begin(kSchemes), std::end(kSchemes), [&](std::string_view s) {
            return StartsNoCase(link, s) && link.size() > s.size();
        });
        FUZZ_CHECK(known, "scheme link with an unknown scheme or nothing after it");
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    // The news view hands the finder decoded text; raw bytes go through the same lenient decoding.
    const std::string text = DecodeUtf8Lenient(std::string_view(reinterpret_cast<const char*>(Data), Size));
    const auto links = FindLinks(text);
    std::size_t end = 0;
    for (const TLink& link : links) {
        FUZZ_CHECK(link.Length > 0, "empty link");
        FUZZ_CHECK(link.Length <= kMaxLinkBytes, "link longer than the bound");
        FUZZ_CHECK(link.Start >= end, "links overlap or are out of order");
        FUZZ_CHECK(link.Start <= text.size() && link.Length <= text.size() - link.Start,
                   "link beyond the text");
        end = link.Start + link.Length;
        FUZZ_CHECK(!IsContinuationByte(text[link.Start]), "link starts inside a character");
        FUZZ_CHECK(end == text.size() || !IsContinuationByte(text[end]), "link ends inside a character");
        const std::string_view linkText = std::string_view(text).substr(link.Start, link.Length);
        FUZZ_CHECK(std::none_of(linkText.begin(), linkText.end(),
                                [](char c) { return static_cast<unsigned char>(c) <= 0x20; }),
                   "link holds a blank or control character");
        if (link.Start > 0 && link.Kind != TLinkKind::BareMail && link.Kind != TLinkKind::Www) {
            const char before = text[link.Start - 1];
            FUZZ_CHECK(!((before >= 'a' && before <= 'z') || (before >= 'A' && before <= 'Z') ||
                         (before >= '0' && before <= '9')),
                       "scheme right after a letter or digit");
        }
        CheckKind(link.Kind, linkText);
        const std::string target = LinkTarget(link, text);
        switch (link.Kind) {
        case TLinkKind::BareMail:
            FUZZ_CHECK(target == "mailto:" + std::string(linkText), "bare address target");
            break;
        case TLinkKind::Www:
            FUZZ_CHECK(target == "http://" + std::string(linkText), "www target");
            break;
        default:
            FUZZ_CHECK(target == linkText, "a scheme link opens as written");
            break;
        }
    }
    return 0;
}
