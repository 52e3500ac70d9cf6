#pragma once
// The amount fields' input rule: digits only, at most a number of them; a refused keystroke or paste shows a
// short hint at the field instead of vanishing without a sign.

#include <QValidator>

class QLineEdit;

// Accepts the texts CheckAmountInput accepts (the length is the field's own limit) and remembers why it last
// refused one.
class TAmountValidator final : public QValidator {
    Q_OBJECT
  public:
    using QValidator::QValidator;
    State validate(QString& Input, int& Position) const override;
    // True when the last refusal was for a character other than a digit; cleared by TakeRefusal.
    bool TakeRefusal() const;

  private:
    mutable bool FRefused = false;
};

// Gives Edit the digits-only rule, MaxLength and the hint on refused input. Never throws.
void SetUpAmountEdit(QLineEdit& Edit, int MaxLength);
