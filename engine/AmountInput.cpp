#include "engine/AmountInput.h"

#include <algorithm>

TAmountInput CheckAmountInput(std::string_view Text, std::size_t MaxLength) {
    if (!std::all_of(Text.begin(), Text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return TAmountInput::NotDigits;
    }
    return Text.size() > MaxLength ? TAmountInput::TooLong : TAmountInput::Accepted;
}

bool IsAmountText(std::string_view Text) {
    return !Text.empty() && CheckAmountInput(Text, kAmountDigits) == TAmountInput::Accepted;
}

std::string RefusedAmountHint(TAmountInput Verdict, std::size_t MaxLength) {
    switch (Verdict) {
    case TAmountInput::NotDigits:
        return "Можно вводить только цифры";
    case TAmountInput::TooLong: {
        // "не больше 1 цифры", "21 цифры"; "10 цифр", "11 цифр".
        const bool singular = MaxLength % 10 == 1 && MaxLength % 100 != 11;
        return "Не больше " + std::to_string(MaxLength) + (singular ? " цифры" : " цифр");
    }
    case TAmountInput::Accepted:
        break;
    }
    return {};
}
