// Values to element text and stored text back to values, locale-free.

#include "settings/XMLConf.h"
#include "text/Ascii.h"

#include <string_view>

namespace {

bool IsBlank(char Ch) {
    return Ch == ' ' || Ch == '\t' || Ch == '\r' || Ch == '\n';
}

bool IsDigit(char Ch) {
    return Ch >= '0' && Ch <= '9';
}

// Text without surrounding blanks; a hand-edited file may leave some around a number.
std::string_view Trimmed(const std::string& Text) {
    std::string_view view(Text);
    while (!view.empty() && IsBlank(view.front())) {
        view.remove_prefix(1);
    }
    while (!view.empty() && IsBlank(view.back())) {
        view.remove_suffix(1);
    }
    return view;
}

// Splits an optional sign off View; true when it was "-".
bool TakeSign(std::string_view& View) {
    if (!View.empty() && (View.front() == '+' || View.front() == '-')) {
        const bool negative = View.front() == '-';
        View.remove_prefix(1);
        return negative;
    }
    return false;
}

bool AllDigits(std::string_view View) {
    for (char ch : View) {
        if (!IsDigit(ch)) {
            return false;
        }
    }
    return true;
}

[[noreturn]] void ThrowNotA(const std::string& Text, const char* What) {
    throw EConfigError("'" + Text + "' is not a valid " + What + " value");
}

} // namespace

std::string TConfigValue::Text() const {
    switch (FKind) {
    case Kind::Integer:
        return std::to_string(FInteger);
    case Kind::Boolean:
        return FBoolean ? "true" : "false";
    case Kind::String:
        break;
    }
    return FString;
}

bool ConfigTextToBool(const std::string& Text) {
    std::string_view view = Trimmed(Text);
    if (EqualsNoCase(view, "true")) {
        return true;
    }
    if (EqualsNoCase(view, "false")) {
        return false;
    }
    TakeSign(view);
    if (view.empty() || !AllDigits(view)) {
        ThrowNotA(Text, "boolean");
    }
    // Any number of digits: only zero is false, so no range applies.
    return view.find_first_not_of('0') != std::string_view::npos;
}

std::int32_t ConfigTextToInt(const std::string& Text) {
    std::string_view view = Trimmed(Text);
    const bool negative = TakeSign(view);
    if (view.empty() || !AllDigits(view)) {
        ThrowNotA(Text, "integer");
    }
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    for (char ch : view) {
        value = value * 10 + (ch - '0');
        if (value > limit) {
            ThrowNotA(Text, "integer");
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string ConfigTextToAmountText(const std::string& Text) {
    constexpr int kDecimals = 4;
    // The fixed-point range: a signed 64-bit count of ten-thousandths.
    constexpr unsigned __int128 kMaxUnits = 9223372036854775807ULL;

    std::string_view view = Trimmed(Text);
    const bool negative = TakeSign(view);
    const std::size_t dot = view.find('.');
    const std::string_view whole = view.substr(0, dot);
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view() : view.substr(dot + 1);
    if ((whole.empty() && fraction.empty()) || !AllDigits(whole) || !AllDigits(fraction)) {
        ThrowNotA(Text, "floating point");
    }

    unsigned __int128 units = 0;
    for (char ch : whole) {
        units = units * 10 + static_cast<unsigned>(ch - '0');
        if (units > kMaxUnits) {
            ThrowNotA(Text, "floating point");
        }
    }
    for (int i = 0; i < kDecimals; ++i) {
        units = units * 10 +
                (i < static_cast<int>(fraction.size()) ? static_cast<unsigned>(fraction[i] - '0') : 0);
    }
    if (fraction.size() > kDecimals) {
        const char first = fraction[kDecimals];
        const bool restZero = fraction.find_first_not_of('0', kDecimals + 1) == std::string_view::npos;
        const bool roundUp = first > '5' || (first == '5' && (!restZero || units % 2 == 1));
        if (roundUp) {
            ++units;
        }
    }
    if (units > kMaxUnits + (negative ? 1 : 0)) {
        ThrowNotA(Text, "floating point");
    }

    const auto wholeUnits = static_cast<unsigned long long>(units / 10000);
    auto fractionUnits = static_cast<unsigned>(units % 10000);
    std::string result = (negative && units != 0) ? "-" : "";
    result += std::to_string(wholeUnits);
    if (fractionUnits != 0) {
        std::string digits = std::to_string(fractionUnits);
        digits.insert(0, static_cast<std::size_t>(kDecimals) - digits.size(), '0');
        digits.erase(digits.find_last_not_of('0') + 1);
        result += "." + digits;
    }
    return result;
}
