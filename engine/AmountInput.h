#pragma once
// What the amount fields take (digits and one decimal separator, "," or ".", at most ten digits), the number
// such a text stands for, how it is stored, and what the fields say when they refuse input.

#include <cstddef>
#include <string>
#include <string_view>

// The most digits an amount holds, in the window's fields and on kovrin-cli's command line.
inline constexpr std::size_t kAmountDigits = 10;

// The verdict on a field's text after an edit.
enum class TAmountInput { Accepted, NotDigits, TooLong };

// Accepted for ASCII digits with at most one decimal separator ("," or "."), at most MaxDigits digits in all
// (none included); NotDigits when any other character or a second separator is there (also when there are
// too many digits); else TooLong.
TAmountInput CheckAmountInput(std::string_view Text, std::size_t MaxDigits);

// The hint shown at the field for a refused input: "Можно вводить только цифры и одну запятую или точку",
// or "Не больше 10 цифр"; empty for Accepted.
std::string RefusedAmountHint(TAmountInput Verdict, std::size_t MaxDigits);

// The number an amount text stands for, "," read as ".": what the offers are computed for and what orders
// them. 0 when the text does not read as a number (empty, a lone separator). Never throws.
long double AmountValue(std::string_view Text);

// An amount text as settings.xml keeps it: "," written as "."; a text without a digit is kept empty, so the
// next start never meets a lone separator. Never throws beyond allocation.
std::string StoredAmountText(std::string_view Text);

// True when Text is an amount as kovrin-cli takes it: what the fields accept (CheckAmountInput), with at
// least one digit ("0,5", "2.", "100").
bool IsAmountText(std::string_view Text);
