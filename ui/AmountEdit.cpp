#include "ui/AmountEdit.h"

#include <QLineEdit>
#include <QToolTip>

#include <utility>

namespace {

// Long enough to read, short enough not to stand in the way of the next keystroke.
constexpr int kHintMilliseconds = 2500;

} // namespace

TAmountValidator::TAmountValidator(std::size_t MaxDigits, QObject* Parent)
    : QValidator(Parent), FMaxDigits(MaxDigits) {}

QValidator::State TAmountValidator::validate(QString& Input, int& Position) const {
    Q_UNUSED(Position);
    const TAmountInput verdict = CheckAmountInput(Input.toStdString(), FMaxDigits);
    if (verdict != TAmountInput::Accepted) {
        FRefusal = verdict;
        return Invalid;
    }
    return Acceptable;
}

TAmountInput TAmountValidator::TakeRefusal() const {
    return std::exchange(FRefusal, TAmountInput::Accepted);
}

void SetUpAmountEdit(QLineEdit& Edit, int MaxDigits) {
    // The digits are counted by the validator; a length limit on the field would cut a paste to fit instead
    // of refusing it.
    const auto digits = static_cast<std::size_t>(MaxDigits);
    auto* validator = new TAmountValidator(digits, &Edit);
    Edit.setValidator(validator);
    QObject::connect(&Edit, &QLineEdit::inputRejected, &Edit, [&Edit, validator, digits] {
        const TAmountInput verdict = validator->TakeRefusal();
        if (verdict == TAmountInput::Accepted) {
            return;
        }
        const QString hint = QString::fromStdString(RefusedAmountHint(verdict, digits));
        QToolTip::showText(Edit.mapToGlobal(QPoint(0, Edit.height())), hint, &Edit, QRect(),
                           kHintMilliseconds);
    });
    QObject::connect(&Edit, &QLineEdit::textEdited, &Edit, [] {
        if (QToolTip::isVisible()) {
            QToolTip::hideText();
        }
    });
}
