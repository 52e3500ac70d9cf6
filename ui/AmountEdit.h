#pragma once
// The amount fields' input rule: digits and one decimal separator, at most a number of digits; a refused
// keystroke or paste shows a short hint at the field instead of vanishing without a sign.

#include "engine/AmountInput.h"

#include <QValidator>

class QLineEdit;

// Accepts the texts CheckAmountInput accepts for MaxDigits and remembers why it last refused one. A refused
// edit is undone whole by the field (a paste is never cut to what fits).
class TAmountValidator final : public QValidator {
    Q_OBJECT
  public:
    TAmountValidator(std::size_t MaxDigits, QObject* Parent);
    State validate(QString& Input, int& Position) const override;
    // Why the last edit was refused (Accepted when none was since the last call); resets it.
    TAmountInput TakeRefusal() const;

  private:
    std::size_t FMaxDigits;
    mutable TAmountInput FRefusal = TAmountInput::Accepted;
};

// Gives Edit the amount rule with MaxDigits, the hint on refused input, and hides the hint at the next
// accepted edit. Never throws.
void SetUpAmountEdit(QLineEdit& Edit, int MaxDigits);
