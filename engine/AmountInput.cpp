#include "engine/AmountInput.h"
#include "text/Ascii.h"

#include "engine/Text.h"

#include <algorithm>

namespace {

bool IsSeparator(char C) {
    return C == ',' || C == '.';
}

} // namespace

TAmountInput CheckAmountInput(std::string_view Text, std::size_t MaxDigits) {
    std::size_t digits = 0;
    std::size_t separators = 0;
    for (const char c : Text) {
        if (IsAsciiDigit(c)) {
            ++digits;
        } else if (IsSeparator(c) && separators == 0) {
            ++separators;
        } else {
            return TAmountInput::NotDigits;
        }
    }
    return digits > MaxDigits ? TAmountInput::TooLong : TAmountInput::Accepted;
}

long double AmountValue(std::string_view Text) {
    std::string text(Text);
    std::replace(text.begin(), text.end(), ',', '.');
    return ParseDecimal(text).value_or(0);
}

std::string StoredAmountText(std::string_view Text) {
    if (std::none_of(Text.begin(), Text.end(), IsAsciiDigit)) {
        return {};
    }
    std::string text(Text);
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

bool IsAmountText(std::string_view Text) {
    return CheckAmountInput(Text, kAmountDigits) == TAmountInput::Accepted &&
           std::any_of(Text.begin(), Text.end(), IsAsciiDigit);
}

std::string RefusedAmountHint(TAmountInput Verdict, std::size_t MaxDigits) {
    switch (Verdict) {
    case TAmountInput::NotDigits:
        return "Можно вводить только цифры и одну запятую или точку";
    case TAmountInput::TooLong: {
        // "не больше 1 цифры", "21 цифры"; "10 цифр", "11 цифр".
        const bool singular = MaxDigits % 10 == 1 && MaxDigits % 100 != 11;
        return "Не больше " + std::to_string(MaxDigits) + (singular ? " цифры" : " цифр");
    }
    case TAmountInput::Accepted:
        break;
    }
    return {};
}
