#include "rtf/RtfLink.h"

#include <ostream>
#include <random>
#include <utility>

namespace {

// Arithmetic modulo the prime 2^61 - 1.
constexpr std::uint64_t kModulus = (std::uint64_t(1) << 61) - 1;

std::uint64_t MultiplyModulo(std::uint64_t a, std::uint64_t b) {
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    const std::uint64_t folded =
        static_cast<std::uint64_t>(product & kModulus) + static_cast<std::uint64_t>(product >> 61);
    return folded >= kModulus ? folded - kModulus : folded;
}

const std::uint64_t kFactor = [] {
    std::random_device device;
    const std::uint64_t drawn = (std::uint64_t(device()) << 32) ^ device();
    return 256 + drawn % (kModulus - 512);
}();

} // namespace

void TRtfTextHash::Add(char C) {
    const std::uint64_t sum = MultiplyModulo(FValue, kFactor) + static_cast<unsigned char>(C) + 1;
    FValue = sum >= kModulus ? sum - kModulus : sum;
}

TRtfLink::TRtfLink(std::shared_ptr<const std::string> Text, std::size_t Length, bool BackslashTail,
                   std::uint64_t Hash)
    : FText(std::move(Text)), FLength(Length), FBackslashTail(BackslashTail), FHash(Hash) {
    if (FLength == 0 && !FBackslashTail) {
        FText.reset(); // nothing to keep alive
        FHash = 0;
    }
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
    if (size() != Other.size() || FHash != Other.FHash)
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
