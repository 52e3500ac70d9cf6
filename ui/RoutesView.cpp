#include "ui/RoutesView.h"

#include "engine/Text.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The tree's columns.
enum TColumn { colRoute = 0, colRate, colGain, colGive, colGet, colReserve, kColumnCount };

// The role that holds a leg's exchanger id; routes hold none.
constexpr int kEidRole = Qt::UserRole + 1;

QString Number(long double Value) {
    return QString::fromStdString(DecimalText(static_cast<double>(Value)));
}

// A rate as the grid and the chart write one (four decimals, three significant digits when small): fifteen
// digits of a rate of roubles for a coin would take the route names' room and read as no rate.
QString Rate(long double Value) {
    return QString::fromStdString(GridRateText(static_cast<double>(Value)));
}

// Numbers line up on the right.
void AlignNumbers(QTreeWidgetItem& Item) {
    for (int column = colRate; column < kColumnCount; ++column) {
        Item.setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
}

QString Joined(const std::vector<std::string>& Names) {
    QStringList names;
    for (const std::string& name : Names) {
        names << QString::fromStdString(name);
    }
    return names.join(QStringLiteral(" → "));
}

} // namespace

TRoutesView::TRoutesView(QWidget* Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("RoutesView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);

    FSummary = new QLabel(this);
    FSummary->setObjectName(QStringLiteral("LabelRoutes"));
    FSummary->setWordWrap(true);
    FSummary->setTextFormat(Qt::PlainText);
    layout->addWidget(FSummary);

    FTree = new QTreeWidget(this);
    FTree->setObjectName(QStringLiteral("TreeRoutes"));
    FTree->setAccessibleName(QStringLiteral("Маршруты через другую валюту"));
    FTree->setColumnCount(kColumnCount);
    FTree->setHeaderLabels({QStringLiteral("Маршрут"), QStringLiteral("Курс"), QStringLiteral("Выгода"),
                            QStringLiteral("Отдаёте"), QStringLiteral("Получаете"),
                            QStringLiteral("Резерв")});
    FTree->headerItem()->setToolTip(colRate,
                                    QStringLiteral("Сколько получаете за единицу отдаваемой валюты"));
    FTree->headerItem()->setToolTip(colGain,
                                    QStringLiteral("Насколько маршрут выгоднее лучшего прямого обмена"));
    FTree->headerItem()->setToolTip(
        colGive, QStringLiteral("Для введённой суммы; без суммы — наибольшая, какую позволяют резервы"));
    FTree->setRootIsDecorated(false);
    FTree->setItemsExpandable(false);
    FTree->setUniformRowHeights(true);
    FTree->setSelectionMode(QAbstractItemView::SingleSelection);
    FTree->header()->setStretchLastSection(false);
    FTree->header()->setSectionResizeMode(colRoute, QHeaderView::Stretch);
    for (int column = colRate; column < kColumnCount; ++column) {
        FTree->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    layout->addWidget(FTree, 1);
    setFocusProxy(FTree);
    connect(FTree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { ItemActivated(item); });
    hide();
}

void TRoutesView::ShowRoutes(const TRoutes& Routes) {
    const std::vector<TRoute> shown = RoutesWorthShowing(Routes);
    FTree->clear();
    for (std::size_t r = 0; r < shown.size(); ++r) {
        const TRoute& route = shown[r];
        auto* item = new QTreeWidgetItem(FTree);
        item->setText(colRoute, QStringLiteral("%1. Через %2").arg(r + 1).arg(Joined(route.Via)));
        item->setText(colRate, Rate(route.Rate));
        if (Routes.Direct) {
            item->setText(colGain, QString::fromStdString(RouteGainText(route.Rate, *Routes.Direct)));
        }
        item->setText(colGive, Number(route.Give));
        item->setText(colGet, Number(route.Get));
        AlignNumbers(*item);
        QFont bold = item->font(colRoute);
        bold.setBold(true);
        item->setFont(colRoute, bold);
        for (const TRouteLeg& leg : route.Legs) {
            auto* child = new QTreeWidgetItem(item);
            child->setText(colRoute,
                           QStringLiteral("    %1: %2 → %3")
                               .arg(QString::fromStdString(leg.Exchanger), QString::fromStdString(leg.From),
                                    QString::fromStdString(leg.To)));
            child->setToolTip(colRoute,
                              QStringLiteral("Открыть страницу обменника (двойной щелчок или Enter)"));
            child->setText(colRate, Rate(leg.Rate));
            child->setText(colGive, Number(leg.SrcRate));
            child->setText(colGet, Number(leg.DstRate));
            child->setText(colReserve, Number(leg.Reserve));
            child->setData(colRoute, kEidRole, leg.EID);
            AlignNumbers(*child);
        }
        item->setExpanded(true);
    }
    const QString caution =
        QStringLiteral("Маршрут — это два обмена, каждый в своё время: курсы между ними могут измениться.");
    FSummary->setText(
        Routes.Direct
            ? QStringLiteral("Через другую валюту выгоднее, чем напрямую (лучший прямой курс %1). %2")
                  .arg(Rate(*Routes.Direct), caution)
            : QStringLiteral("Прямых предложений нет; лучшие маршруты через другую валюту. %1").arg(caution));
    setVisible(!shown.empty());
}

int TRoutesView::RouteCount() const {
    return FTree->topLevelItemCount();
}

void TRoutesView::ItemActivated(QTreeWidgetItem* Item) {
    const QVariant eid = Item != nullptr ? Item->data(colRoute, kEidRole) : QVariant();
    if (eid.isValid()) {
        emit LegOpened(eid.value<std::int32_t>());
    }
}
