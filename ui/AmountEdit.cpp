#include "ui/AmountEdit.h"

#include "engine/AmountInput.h"

#include <QLineEdit>
#include <QToolTip>

namespace {

// Long enough to read, short enough not to stand in the way of the next keystroke.
constexpr int kHintMilliseconds = 2500;

} // namespace

QValidator::State TAmountValidator::validate(QString& Input, int& Position) const {
    Q_UNUSED(Position);
    // The length is the field's maximum, checked by the field itself before this.
    if (CheckAmountInput(Input.toStdString(), static_cast<std::size_t>(Input.size())) ==
        TAmountInput::NotDigits) {
        FRefused = true;
        return Invalid;
    }
    return Acceptable;
}

bool TAmountValidator::TakeRefusal() const {
    const bool refused = FRefused;
    FRefused = false;
    return refused;
}

void SetUpAmountEdit(QLineEdit& Edit, int MaxLength) {
    Edit.setMaxLength(MaxLength);
    auto* validator = new TAmountValidator(&Edit);
    Edit.setValidator(validator);
    QObject::connect(&Edit, &QLineEdit::inputRejected, &Edit, [&Edit, validator, MaxLength] {
        const TAmountInput verdict =
            validator->TakeRefusal() ? TAmountInput::NotDigits : TAmountInput::TooLong;
        const QString hint =
            QString::fromStdString(RefusedAmountHint(verdict, static_cast<std::size_t>(MaxLength)));
        QToolTip::showText(Edit.mapToGlobal(QPoint(0, Edit.height())), hint, &Edit, QRect(),
                           kHintMilliseconds);
    });
}
