#include "engine/LinkFinder.h"

#include "text/Ascii.h"
#include "text/Utf8.h"

#include <algorithm>
#include <array>

namespace {

struct TPrefix {
    std::string_view Text;
    TLinkKind Kind;
};

constexpr std::array<TPrefix, 10> kPrefixes{{
    {"http://", TLinkKind::Web},
    {"https://", TLinkKind::Web},
    {"ftp://", TLinkKind::Scheme},
    {"gopher://", TLinkKind::Scheme},
    {"news:", TLinkKind::Scheme}, // also covers "news://"
    {"nntp://", TLinkKind::Scheme},
    {"prospero://", TLinkKind::Scheme},
    {"telnet://", TLinkKind::Scheme},
    {"wais://", TLinkKind::Scheme},
    {"mailto:", TLinkKind::Mail},
}};

bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Byte length of the character that ends a link when it starts at `at`, else 0. Typographic marks (no-break
// and other Unicode spaces, dashes, curly quotes, guillemets) end a link too: in news prose they follow
// links.
std::size_t StopLengthAt(std::string_view t, std::size_t at) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(t[at + k]); };
    const unsigned char c = b(0);
    if (c <= 0x20 || c == 0x7F)
        return 1;
    switch (c) {
    case '"':
    case '\'':
    case '`':
    case '<':
    case '>':
    case '{':
    case '}':
        return 1;
    default:
        break;
    }
    const std::size_t left = t.size() - at;
    if (c == 0xC2 && left >= 2 && (b(1) <= 0xA0 || b(1) == 0xAB || b(1) == 0xBB))
        return 2; // C1 controls, no-break space, guillemets
    if (c == 0xE2 && left >= 3 && (b(1) == 0x80 || (b(1) == 0x81 && b(2) <= 0xAF)))
        return 3; // U+2000..U+206F general punctuation
    if (c == 0xE3 && left >= 3 && b(1) == 0x80 && b(2) == 0x80)
        return 3; // ideographic space
    if (c == 0xEF && left >= 3 && b(1) == 0xBB && b(2) == 0xBF)
        return 3; // zero-width no-break space
    return 0;
}

// Byte length of the UTF-8 character at `at`; a malformed byte counts one. (Only continuation bytes could
// be stepped over by a coarser step, and none of them starts a stop mark or a link.)
std::size_t CharLengthAt(std::string_view t, std::size_t at) {
    std::size_t subpart = 0;
    const std::size_t length = Utf8Codec::SequenceAt(t, at, subpart);
    return length == 0 ? 1 : length;
}

// True when a link may begin at `at`: text start, or a character before it that is neither an ASCII letter or
// digit nor a non-ASCII letter (a stop mark counts as a boundary).
bool AtBoundary(std::string_view t, std::size_t at, bool www) {
    if (at == 0)
        return true;
    const unsigned char prev = static_cast<unsigned char>(t[at - 1]);
    if (prev < 0x80) {
        if (IsAsciiAlnum(prev))
            return false;
        // "abc.www.x.y" and "a-www.x.y" are inside a longer name, not the start of an address.
        return !(www && (prev == '.' || prev == '-' || prev == '_' || prev == '@' || prev == '/'));
    }
    for (std::size_t len = 2; len <= 3 && len <= at; ++len)
        if (StopLengthAt(t, at - len) == len)
            return true;
    return false;
}

bool IsDomainByteAt(std::string_view t, std::size_t at) {
    const unsigned char c = static_cast<unsigned char>(t[at]);
    if (c < 0x80)
        return IsAsciiAlnum(c) || c == '-';
    return StopLengthAt(t, at) == 0;
}

// Scans dot-separated labels from `at`; gives the end of the last complete label and the number of labels.
std::size_t ScanDomain(std::string_view t, std::size_t at, int& labels) {
    labels = 0;
    std::size_t end = at;
    std::size_t i = at;
    while (true) {
        const std::size_t labelStart = i;
        while (i < t.size() && IsDomainByteAt(t, i))
            i += CharLengthAt(t, i);
        if (i == labelStart)
            break;
        ++labels;
        end = i;
        if (i < t.size() && t[i] == '.')
            ++i;
        else
            break;
    }
    return end;
}

bool IsTrailingPunct(char c) {
    switch (c) {
    case '.':
    case ',':
    case ';':
    case ':':
    case '!':
    case '?':
    case ')':
    case ']':
        return true;
    default:
        return false;
    }
}

// End of a link whose body starts at `bodyStart`: up to the first stop mark, less trailing punctuation.
std::size_t LinkEnd(std::string_view t, std::size_t bodyStart) {
    std::size_t i = bodyStart;
    long parens = 0;   // "(" minus ")"
    long brackets = 0; // "[" minus "]"
    while (i < t.size() && StopLengthAt(t, i) == 0) {
        switch (t[i]) {
        case '(':
            ++parens;
            break;
        case ')':
            --parens;
            break;
        case '[':
            ++brackets;
            break;
        case ']':
            --brackets;
            break;
        default:
            break;
        }
        i += CharLengthAt(t, i);
    }
    while (i > bodyStart && IsTrailingPunct(t[i - 1])) {
        const char c = t[i - 1];
        if (c == ')') {
            if (parens >= 0)
                break; // balanced: "(b)" in the path belongs to the link
            ++parens;
        } else if (c == ']') {
            if (brackets >= 0)
                break;
            ++brackets;
        }
        --i;
    }
    return i;
}

// Keeps a link unless it is too long to be one; its text is passed over either way.
void AddLink(std::vector<TLink>& links, const TLink& link) {
    if (link.Length <= kMaxLinkBytes)
        links.push_back(link);
}

bool IsMailNameByte(unsigned char c) {
    return IsAsciiAlnum(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
}

} // namespace

std::vector<TLink> FindLinks(std::string_view t) {
    std::vector<TLink> links;
    std::size_t lastEnd = 0; // no link may reach back before this
    std::size_t i = 0;
    while (i < t.size()) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if (IsAsciiAlnum(c) && AtBoundary(t, i, false)) {
            bool matched = false;
            for (const TPrefix& prefix : kPrefixes) {
                if (!StartsWithNoCase(t.substr(i), prefix.Text))
                    continue;
                matched = true;
                const std::size_t bodyStart = i + prefix.Text.size();
                const std::size_t end = LinkEnd(t, bodyStart);
                if (end > bodyStart) {
                    AddLink(links, {i, end - i, prefix.Kind});
                    i = lastEnd = end;
                } else {
                    i = bodyStart;
                }
                break;
            }
            if (matched)
                continue;
            if (StartsWithNoCase(t.substr(i), "www.") && AtBoundary(t, i, true)) {
                int labels = 0;
                ScanDomain(t, i + 4, labels);
                if (labels >= 2) {
                    const std::size_t end = LinkEnd(t, i + 4);
                    AddLink(links, {i, end - i, TLinkKind::Www});
                    i = lastEnd = end;
                    continue;
                }
            }
        } else if (c == '@') {
            std::size_t nameStart = i;
            while (nameStart > lastEnd && IsMailNameByte(static_cast<unsigned char>(t[nameStart - 1])))
                --nameStart;
            while (nameStart < i && t[nameStart] == '.')
                ++nameStart;
            int labels = 0;
            const std::size_t end = ScanDomain(t, i + 1, labels);
            if (nameStart < i && labels >= 2) {
                AddLink(links, {nameStart, end - nameStart, TLinkKind::BareMail});
                i = lastEnd = end;
                continue;
            }
        }
        i += CharLengthAt(t, i);
    }
    return links;
}

std::string LinkTarget(TLinkKind Kind, std::string_view LinkText) {
    switch (Kind) {
    case TLinkKind::BareMail:
        return "mailto:" + std::string(LinkText);
    case TLinkKind::Www:
        return "http://" + std::string(LinkText);
    default:
        return std::string(LinkText);
    }
}

std::string LinkTarget(const TLink& Link, std::string_view Utf8Text) {
    return LinkTarget(Link.Kind, Utf8Text.substr(Link.Start, Link.Length));
}

std::optional<std::size_t> StepToLink(const std::vector<std::size_t>& Starts, std::optional<std::size_t> From,
                                      bool Forward) {
    if (Forward) {
        const auto next = From ? std::upper_bound(Starts.begin(), Starts.end(), *From) : Starts.begin();
        if (next == Starts.end())
            return std::nullopt;
        return static_cast<std::size_t>(next - Starts.begin());
    }
    const auto after = From ? std::lower_bound(Starts.begin(), Starts.end(), *From) : Starts.end();
    if (after == Starts.begin())
        return std::nullopt;
    return static_cast<std::size_t>(after - Starts.begin() - 1);
}
