#pragma once
// The window's part for the rate history: it records the followed pairs after each refresh whose rates
// arrived (on the recorder's thread), notes the pairs the user picks, and shows the chart of the chosen pair
// under the grid once the user opens it with the "График" button. What it records and how the chart is cut
// to columns live in history/; this part moves values between them and the widgets.

#include <QObject>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

class QToolButton;
class TFormMain;
class THistoryRecorder;
class THistoryStore;
class TRateChartPanel;
struct THistoryPair;

class THistoryPart final : public QObject {
    Q_OBJECT
  public:
    // Puts the chart toggle into the rates tab's action panel and the (hidden) chart under the grid.
    explicit THistoryPart(TFormMain& Main);
    ~THistoryPart() override;

    // Records into File from now on and reads the chart from it; an empty path keeps no history (the
    // default, so a window made without the program records nothing). Never throws.
    void SetHistoryFile(const std::filesystem::path& File);
    // Shows or hides the chart and picks its range as ConfigDoc says. Never throws.
    void Restore();
    // A refresh whose rates feed answered has completed: its points are recorded. Never throws.
    void RatesSettled();
    // The currency lists were filled anew and the stored pair chosen in them: the chart shows that pair.
    // Never throws.
    void CurrenciesListed();
    // The window now asks another service: the chart shows that service's points. Never throws.
    void ServiceChanged();

    QToolButton* Toggle() const { return FToggle; }
    TRateChartPanel* Panel() const { return FPanel; }

  private:
    // The rates tab's pair of the moment, when both currencies are chosen.
    std::optional<THistoryPair> CurrentPair() const;
    // Which service the window asks (ServiceKey of its address): the points recorded and read are its.
    std::string CurrentService() const;
    void ToggleChart(bool Shown);
    // Reads the chosen pair's points for the chart's range, when it is shown.
    void Reload();
    // The levels of Pair's alerts, none without a pair.
    std::vector<double> LevelsOf(const std::optional<THistoryPair>& Pair) const;

    TFormMain& FMain;
    QToolButton* FToggle;
    TRateChartPanel* FPanel;
    std::filesystem::path FFile;
    std::unique_ptr<THistoryRecorder> FRecorder;
    std::unique_ptr<THistoryStore> FReader;
};
