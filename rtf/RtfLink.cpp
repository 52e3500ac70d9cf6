#include "rtf/RtfLink.h"

#include <ostream>
#include <utility>

TRtfLink::TRtfLink(std::shared_ptr<const std::string> Text, std::size_t Length, bool BackslashTail)
    : FText(std::move(Text)), FLength(Length), FBackslashTail(BackslashTail) {
    if (FLength == 0 && !FBackslashTail)
        FText.reset(); // nothing to keep alive
}

std::string_view TRtfLink::Head() const {
    return FText ? std::string_view(FText->data(), FLength) : std::string_view();
}

std::string TRtfLink::Text() const {
    std::string text(Head());
    if (FBackslashTail)
        text += '\\';
    return text;
}

bool TRtfLink::SharesTextWith(const TRtfLink& Other) const {
    return FText == Other.FText && FLength == Other.FLength && FBackslashTail == Other.FBackslashTail;
}

bool TRtfLink::operator==(const TRtfLink& Other) const {
    if (SharesTextWith(Other))
        return true;
    if (size() != Other.size())
        return false;
    if (FBackslashTail == Other.FBackslashTail)
        return Head() == Other.Head();
    // One ends in its pending backslash, the other holds it in its text.
    const TRtfLink& withTail = FBackslashTail ? *this : Other;
    const std::string_view whole = (FBackslashTail ? Other : *this).Head();
    return whole.substr(0, whole.size() - 1) == withTail.Head() && whole.back() == '\\';
}

bool operator==(const TRtfLink& Link, std::string_view Text) {
    if (Link.size() != Text.size())
        return false;
    const std::string_view head = Link.Head();
    return Text.substr(0, head.size()) == head && (!Link.FBackslashTail || Text.back() == '\\');
}

std::ostream& operator<<(std::ostream& Out, const TRtfLink& Link) {
    return Out << Link.Text();
}
