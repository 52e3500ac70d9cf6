#include "ui/RateChartPanel.h"

#include "ui/RateChart.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

TRateChartPanel::TRateChartPanel(QWidget* Parent)
    : QWidget(Parent), FButtons(new QButtonGroup(this)), FChart(new TRateChart(this)) {
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    static const char* const kCaptions[] = {"24 часа", "7 дней", "30 дней", "Год"};
    for (const TChartRange range : kChartRanges) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromUtf8(kCaptions[static_cast<int>(range)]));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setAccessibleName(QStringLiteral("Период графика: ") + button->text());
        FButtons->addButton(button, static_cast<int>(range));
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    FButtons->button(0)->setChecked(true);
    connect(FButtons, &QButtonGroup::idClicked, this,
            [this](int Id) { emit RangeChosen(static_cast<TChartRange>(Id)); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(buttons);
    layout->addWidget(FChart, 1);
}

QList<QAbstractButton*> TRateChartPanel::RangeButtons() const {
    return FButtons->buttons();
}

TChartRange TRateChartPanel::Range() const {
    return static_cast<TChartRange>(std::max(0, FButtons->checkedId()));
}

void TRateChartPanel::SetRange(TChartRange Range) {
    FButtons->button(static_cast<int>(Range))->setChecked(true);
}
