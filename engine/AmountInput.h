#pragma once
// What the amount fields take (digits only, at most ten of them) and what they say when they refuse input.

#include <cstddef>
#include <string>
#include <string_view>

// The most digits an amount holds, in the window's fields and on kovrin-cli's command line.
inline constexpr std::size_t kAmountDigits = 10;

// The verdict on a field's text after an edit.
enum class TAmountInput { Accepted, NotDigits, TooLong };

// Accepted for up to MaxLength ASCII digits (none included); NotDigits when any other character is there
// (also when it is too long); else TooLong.
TAmountInput CheckAmountInput(std::string_view Text, std::size_t MaxLength);

// The hint shown at the field for a refused input: "Можно вводить только цифры", or "Не больше 10 цифр";
// empty for Accepted.
std::string RefusedAmountHint(TAmountInput Verdict, std::size_t MaxLength);

// True when Text is a whole amount as the rates tab takes it: 1 to kAmountDigits ASCII digits.
bool IsAmountText(std::string_view Text);
