#include "ui/FindDialog.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

int RowMatching(const QAbstractItemModel& Model, int Row, const std::vector<int>& Columns,
                const QString& Text, Qt::CaseSensitivity Case) {
    for (int column : Columns) {
        const QString cell = Model.data(Model.index(Row, column), Qt::DisplayRole).toString();
        if (cell.contains(Text, Case))
            return column;
    }
    return -1;
}

} // namespace

TFindHit FindNextRow(const QAbstractItemModel& Model, const std::vector<int>& Columns, int From,
                     const QString& Text, const TFindOptions& Options) {
    const int rows = Model.rowCount();
    if (Text.isEmpty() || rows <= 0 || Columns.empty())
        return {};
    const Qt::CaseSensitivity cs = Options.MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const int step = Options.Down ? 1 : -1;
    if (From < 0 || From >= rows)
        From = Options.Down ? -1 : rows;
    // Without wrapping, the rows between From and the end; with it, every row once, From itself last.
    const int count = Options.Wrap ? rows : (Options.Down ? rows - 1 - From : From);
    int row = From;
    for (int i = 0; i < count; ++i) {
        row += step;
        if (row >= rows)
            row = 0;
        else if (row < 0)
            row = rows - 1;
        const int column = RowMatching(Model, row, Columns, Text, cs);
        if (column >= 0)
            return {row, column};
    }
    return {};
}

TFindDialog::TFindDialog(QTableView& View, QWidget* Parent) : QDialog(Parent), FView(View) {
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Найти"));
    setModal(false);

    auto* label = new QLabel(QStringLiteral("&Найти:"), this);
    FEdit = new QLineEdit(this);
    FEdit->setObjectName(QStringLiteral("EditFind"));
    label->setBuddy(FEdit);

    FMatchCase = new QCheckBox(QStringLiteral("С учётом &регистра"), this);
    FMatchCase->setObjectName(QStringLiteral("CheckBoxMatchCase"));
    FWrap = new QCheckBox(QStringLiteral("По &кругу"), this);
    FWrap->setObjectName(QStringLiteral("CheckBoxWrap"));
    FWrap->setChecked(true);

    auto* direction = new QGroupBox(QStringLiteral("Направление"), this);
    FUp = new QRadioButton(QStringLiteral("&Вверх"), direction);
    FUp->setObjectName(QStringLiteral("RadioButtonUp"));
    FDown = new QRadioButton(QStringLiteral("Вн&из"), direction);
    FDown->setObjectName(QStringLiteral("RadioButtonDown"));
    FDown->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(FUp);
    directionLayout->addWidget(FDown);

    FFindNext = new QPushButton(QStringLiteral("Найти &далее"), this);
    FFindNext->setObjectName(QStringLiteral("ButtonFindNext"));
    FFindNext->setDefault(true);
    FFindNext->setEnabled(false);
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setAutoDefault(false);

    FStatus = new QLabel(this);
    FStatus->setObjectName(QStringLiteral("LabelStatus"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(FEdit, 0, 1, 1, 2);
    grid->addWidget(FFindNext, 0, 3);
    grid->addWidget(FMatchCase, 1, 0, 1, 2);
    grid->addWidget(direction, 1, 2, 2, 1);
    grid->addWidget(close, 1, 3);
    grid->addWidget(FWrap, 2, 0, 1, 2);
    grid->addWidget(FStatus, 3, 0, 1, 4);

    connect(FEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        FFindNext->setEnabled(!text.isEmpty());
        FStatus->clear();
    });
    connect(FFindNext, &QPushButton::clicked, this, &TFindDialog::FindNext);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void TFindDialog::Open() {
    FStatus->clear();
    show();
    raise();
    activateWindow();
    FEdit->setFocus();
    FEdit->selectAll();
}

TFindOptions TFindDialog::Options() const {
    return TFindOptions{FMatchCase->isChecked(), FDown->isChecked(), FWrap->isChecked()};
}

QString TFindDialog::StatusText() const {
    return FStatus->text();
}

void TFindDialog::FindNext() {
    const QAbstractItemModel* model = FView.model();
    if (!model)
        return;
    std::vector<int> columns;
    for (int column = 0; column < model->columnCount(); ++column)
        if (!FView.isColumnHidden(column))
            columns.push_back(column);
    const TFindHit hit = FindNextRow(*model, columns, FView.currentIndex().row(), FEdit->text(), Options());
    if (hit.Row < 0) {
        FStatus->setText(kNotFound);
        return;
    }
    FStatus->clear();
    const QModelIndex target = model->index(hit.Row, hit.Column);
    FView.selectionModel()->setCurrentIndex(target,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    FView.scrollTo(target);
}
