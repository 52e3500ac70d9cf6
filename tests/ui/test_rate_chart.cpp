// The chart under the grid, driven through the window.

#include "tests/ui/RatesTabFixture.h"
#include "ui/HistoryPart.h"
#include "ui/LivePanel.h"
#include "ui/RateChart.h"
#include "ui/RateChartPanel.h"

#include <QToolButton>

TEST_F(TRatesTabTest, TheChartsLevelsFollowTheAlerts) {
    TFormMain& main = OpenWithPair();
    main.History().Toggle()->click();
    const TRateChart& chart = *main.History().Panel()->Chart();
    main.LivePanel().SetRateAlerts({{"US Dollar", "Euro", "0.9", true}, {"Euro", "US Dollar", "1.2", true}});
    EXPECT_EQ(chart.Levels(), std::vector<double>{0.9});
    main.LivePanel().SetRateAlerts({});
    EXPECT_TRUE(chart.Levels().empty());
}
