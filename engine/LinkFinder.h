#pragma once
// Finds the links of a news text: web and other URL schemes, mail addresses and "www." addresses.
//
// Where a link ends: a link runs from its start up to the first blank or control character, quote (" ' `),
// angle bracket, brace, or typographic space, dash, quote or guillemet. Then trailing . , ; : ! ? ' ) ] } are
// cut off one by one, except that a closing ")" or "]" stays when the link holds more opening than closing
// ones of its kind before it (so "http://x/a_(b)" keeps its ")" while "(see http://x/a)" does not). A scheme
// link needs at least one character after its scheme; schemes are matched without regard to case and only
// where no letter or digit stands right before them. A bare e-mail address is name@domain with a name of
// letters, digits and . _ % + - and a domain of at least two dot-separated labels of letters, digits and "-".
// A "www." address needs a domain with at least one further dot after "www.". A stretch that would make a
// link longer than kMaxLinkBytes is no link (no address is that long; highlighting one would only cost the
// view time), and no link is looked for inside it. Every search runs in time linear in the text.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Longest link, in bytes of UTF-8.
inline constexpr std::size_t kMaxLinkBytes = 4096;

// What kind of text a link is; it decides the target handed to the desktop.
enum class TLinkKind {
    Web,      // "http://", "https://"
    Scheme,   // "ftp://", "gopher://", "news:", "news://", "nntp://", "prospero://", "telnet://", "wais://"
    Mail,     // starts with "mailto:"
    BareMail, // name@domain.tld
    Www,      // "www." + a domain with at least one further dot
};

// One link: its place in the UTF-8 text (bytes) and its kind.
struct TLink {
    std::size_t Start = 0;
    std::size_t Length = 0;
    TLinkKind Kind = TLinkKind::Web;
};

// Gives the links of a UTF-8 text, in order, none overlapping. Never throws (but std::bad_alloc).
std::vector<TLink> FindLinks(std::string_view Utf8Text);

// Gives what opens a link of this kind and text: "mailto:" + text for a bare address, "http://" + text for a
// "www." address, else the text itself. Never throws (but std::bad_alloc).
std::string LinkTarget(TLinkKind Kind, std::string_view LinkText);

// Gives the target of a link found in Utf8Text (see above). Never throws (but std::bad_alloc).
std::string LinkTarget(const TLink& Link, std::string_view Utf8Text);

// Moving through the links of a text with the keyboard: of the links starting at Starts (ascending), the one
// after (Forward) or before the link that starts at From, or with no link selected (From empty) the first or
// the last; nullopt past the last or before the first, where the keyboard leaves the text. Gives an index
// into Starts. Never throws.
std::optional<std::size_t> StepToLink(const std::vector<std::size_t>& Starts, std::optional<std::size_t> From,
                                      bool Forward);
