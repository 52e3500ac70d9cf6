// The chart under the grid, driven through the window.

#include "tests/ui/RatesTabFixture.h"
#include "ui/HistoryPart.h"
#include "ui/LivePanel.h"
#include "ui/RateChart.h"
#include "ui/RateChartPanel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QToolButton>

TEST_F(TRatesTabTest, TheChartOpensInARoomyEnoughWindowAndItsLevelsFollowTheAlerts) {
    TFormMain& main = OpenWithPair();
    main.SetActiveTab(TFormMain::tabRates);
    main.show();
    QCoreApplication::processEvents();
    const int before = main.height();
    const int width = main.width();
    // A long status line (an alert's, say) is cut, not made room for.
    main.findChild<QLabel*>(QStringLiteral("LabelStatus"))->setText(QString(400, QLatin1Char('x')));
    main.History().Toggle()->click();
    QCoreApplication::processEvents();
    const TRateChart& chart = *main.History().Panel()->Chart();
    EXPECT_GE(chart.height(), chart.minimumSizeHint().height());
    EXPECT_EQ(main.width(), width);
    EXPECT_LE(main.minimumWidth(), width);
    main.LivePanel().SetRateAlerts({{"US Dollar", "Euro", "0.9", true}, {"Euro", "US Dollar", "1.2", true}});
    EXPECT_EQ(chart.Levels(), std::vector<double>{0.9});
    main.LivePanel().SetRateAlerts({});
    EXPECT_TRUE(chart.Levels().empty());
    // Closed again, the window keeps its size but may be made as small as before.
    main.History().Toggle()->click();
    QCoreApplication::processEvents();
    EXPECT_LE(main.minimumHeight(), before);
}
