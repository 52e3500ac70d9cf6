#include "engine/Text.h"
#include "text/Ascii.h"

#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

// Digits with at most one "." and at least one digit, then an optional exponent: the only shape accepted, so
// "inf", "nan", hexadecimal and the like never read as amounts.
bool IsDecimalShape(std::string_view Text) {
    std::size_t i = 0;
    std::size_t digits = 0;
    bool point = false;
    for (; i < Text.size(); ++i) {
        if (IsAsciiDigit(Text[i])) {
            ++digits;
        } else if (Text[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i == Text.size()) {
        return true;
    }
    if (Text[i] != 'e' && Text[i] != 'E') {
        return false;
    }
    ++i;
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) {
        ++i;
    }
    if (i == Text.size()) {
        return false;
    }
    for (; i < Text.size(); ++i) {
        if (!IsAsciiDigit(Text[i])) {
            return false;
        }
    }
    return true;
}

// from_chars reports overflow and underflow alike; strtold in the C locale tells them apart.
std::optional<long double> ReadOutOfRange(std::string_view Unsigned) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    const std::string text(Unsigned);
    const long double value = strtold_l(text.c_str(), nullptr, cLocale);
    if (std::isinf(value)) {
        return std::nullopt;
    }
    return value;
}

// Plain decimals of up to 19 digits without an exponent, read without the C library: the digits make an exact
// 64-bit integer and 10^k (k <= 19) is exact in extended precision, so one division gives the correctly
// rounded value that from_chars gives too. nullopt for any other text.
std::optional<long double> ReadShortDecimal(std::string_view Text) {
    static constexpr auto kPowers = [] {
        std::array<long double, 20> powers{};
        long double power = 1;
        for (long double& at : powers) {
            at = power;
            power *= 10;
        }
        return powers;
    }();
    std::uint64_t mantissa = 0;
    std::size_t digits = 0;
    std::size_t decimals = 0;
    bool point = false;
    for (const char c : Text) {
        if (c == '.') {
            point = true;
        } else if (IsAsciiDigit(c) && ++digits <= 19) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            decimals += point ? 1 : 0;
        } else {
            return std::nullopt;
        }
    }
    return static_cast<long double>(mantissa) / kPowers[decimals];
}

} // namespace

std::optional<long double> ParseDecimal(std::string_view Text) {
    bool negative = false;
    if (!Text.empty() && (Text.front() == '+' || Text.front() == '-')) {
        negative = Text.front() == '-';
        Text.remove_prefix(1);
    }
    if (!IsDecimalShape(Text)) {
        return std::nullopt;
    }
    if (const std::optional<long double> quick = ReadShortDecimal(Text)) {
        return negative ? -*quick : *quick;
    }
    long double value = 0;
    const auto [end, ec] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        const auto wide = ReadOutOfRange(Text);
        if (!wide) {
            return std::nullopt;
        }
        value = *wide;
    } else if (ec != std::errc() || end != Text.data() + Text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<std::int32_t> ParseInt32(std::string_view Text) {
    if (!Text.empty() && Text.front() == '+') {
        Text.remove_prefix(1);
        if (!Text.empty() && Text.front() == '-') {
            return std::nullopt;
        }
    }
    if (Text.empty()) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (ec != std::errc() || end != Text.data() + Text.size()) {
        return std::nullopt;
    }
    return value;
}

namespace {

// The general format, scientific when the decimal exponent is SmallestPlain - 1 or less or 15 or more.
std::string GeneralText(double Value, int SmallestPlain) {
    if (std::isnan(Value)) {
        return "NAN";
    }
    if (std::isinf(Value)) {
        return Value < 0 ? "-INF" : "INF";
    }
    if (Value == 0) {
        return "0";
    }
    // 15 significant digits, rounded once; the exponent is read from the same text so that a carry
    // (9.99...e14 -> 1e15) moves it as it should.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::scientific, 14);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t ePos = text.find('e');
    const bool negative = text.front() == '-';
    std::string digits;
    for (const char c : text.substr(0, ePos)) {
        if (IsAsciiDigit(c)) {
            digits += c;
        }
    }
    int exponent = 0;
    std::string_view expText = text.substr(ePos + 1);
    if (expText.front() == '+') {
        expText.remove_prefix(1);
    }
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < SmallestPlain) {
        out += digits.front();
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
        return out;
    }
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
        out += digits;
        out.append(intDigits - digits.size(), '0');
    } else {
        out.append(digits, 0, intDigits);
        out += '.';
        out.append(digits, intDigits);
    }
    return out;
}

} // namespace

std::string FormatGeneral(double Value) {
    return GeneralText(Value, -4);
}

std::string DecimalText(double Value) {
    return GeneralText(Value, -15);
}
