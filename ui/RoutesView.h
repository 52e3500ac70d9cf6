#pragma once
// The routes view under the offer grid: the best routes through another currency that pay more than the best
// direct offer (every route when the pair has no direct offer), each with its legs. It shows what it is given
// and decides nothing; activating a leg asks for that leg's exchanger page.

#include "engine/Routes.h"

#include <QWidget>

#include <cstdint>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class TRoutesView final : public QWidget {
    Q_OBJECT
  public:
    explicit TRoutesView(QWidget* Parent = nullptr);

    // Lists RoutesWorthShowing(Routes) and says how they compare with the direct offer. The view hides itself
    // when there is nothing to list, so the grid keeps its height.
    void ShowRoutes(const TRoutes& Routes);
    // The number of routes listed.
    int RouteCount() const;

  signals:
    // A leg was activated (double-click, or Enter on it): its exchanger's id.
    void LegOpened(std::int32_t EID);

  private:
    void ItemActivated(QTreeWidgetItem* Item);

    QLabel* FSummary = nullptr;
    QTreeWidget* FTree = nullptr;
};
