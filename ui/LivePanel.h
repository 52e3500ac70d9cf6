#pragma once
// The settings tab's live options beside the hide list: the kept feeds shown at start, automatic refresh, and
// rate alerts with their notifications. What it decides lives in engine/LiveSettings and engine/RateAlerts;
// its controls are reached by their object names.

#include "engine/Offers.h"
#include "engine/RateAlerts.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <map>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TNotifier;
struct TNotice;

class TLivePanel final : public QWidget {
    Q_OBJECT
  public:
    explicit TLivePanel(QWidget* Parent);
    ~TLivePanel() override;

    // Reads the live options and the alerts from ConfigDoc into the controls and announces the interval of
    // automatic refresh. Never throws.
    void Restore();

    // The service address as typed and accepted last (normalized); the build's unless stored otherwise.
    const std::string& ServiceBase() const { return FServiceBase; }

    // "Показывать сохранённые курсы при запуске" is on.
    bool UseSavedFeeds() const;
    // The interval of automatic refresh chosen, in minutes; 0 is off.
    int AutoRefreshMinutes() const;

    // The alert currency lists offer Names, in order; a currency being chosen there stays chosen while it is
    // still offered, and is chosen again when a later list offers it again.
    void SetCurrencyNames(const QStringList& Names);

    // The rate alerts as listed.
    const std::vector<TRateAlert>& RateAlerts() const { return FAlerts; }
    // Replaces the alerts (the list and the settings document follow).
    void SetRateAlerts(std::vector<TRateAlert> Alerts);
    // The rates feed of the service at Base replaced its table: the alerts are checked at the next
    // CheckDueAlerts, against what that service gave before.
    void RatesArrived(std::string Base) {
        FAlertsDue = true;
        FRatesService = std::move(Base);
    }
    // When the rates arrived since the last check: checks the alerts against the feed tables and notifies for
    // each that fired. Never throws.
    void CheckDueAlerts();
    // Checks the alerts now, the rates being the last service's that arrived. Never throws.
    void CheckRateAlerts();
    // Each alert in the list says the best rate of its pair in the feed tables now and how far its level is
    // (nothing while a table is empty); after every refresh. Never throws.
    void ShowAlertStandings();
    // The ways notifications are shown, tried in order; what none can show is announced by NoticeUnshown.
    TNotifier& Notifier() const { return *FNotifier; }

  signals:
    // The user entered another service address that passed the check (stored already); Restore sends the
    // stored one.
    void ServiceBaseChanged(const std::string& Base);
    // The user chose another interval of automatic refresh (also sent by Restore).
    void AutoRefreshMinutesChanged(int Minutes);
    // An alert's notice that no way could show.
    void NoticeUnshown(const QString& Text);
    // The user activated an alert's notice for the pair Give -> Get.
    void AlertPairActivated(const QString& Give, const QString& Get);
    // An alert was added, changed, switched on or off or removed (RateAlerts holds the list as it now is).
    void AlertsChanged();

  private:
    void Build();
    void Connect();
    void FillAlertList();
    // "Добавить" takes a valid alert that is not listed yet; "Сохранить" puts one over the alert selected.
    void UpdateAlertAddButton();
    // The alert the fields below the list describe.
    TRateAlert EditedAlert() const;
    // Selecting an alert puts it into the fields below the list, to be changed and saved there.
    void LoadSelectedAlert();
    void ButtonAlertAddClick();
    void ButtonAlertSaveClick();
    void ButtonAlertRemoveClick();
    void StoreRateAlerts();
    void EditServiceBaseDone();

    QLineEdit* EditServiceBase = nullptr;
    QLabel* LabelServiceBaseProblem = nullptr;
    QCheckBox* CheckBoxUseSaved = nullptr;
    QComboBox* ComboBoxAutoRefresh = nullptr;
    QListWidget* ListBoxAlerts = nullptr;
    QComboBox* ComboBoxAlertSrc = nullptr;
    QLineEdit* EditAlertLevel = nullptr;
    QComboBox* ComboBoxAlertDst = nullptr;
    QPushButton* ButtonAlertAdd = nullptr;
    QPushButton* ButtonAlertSave = nullptr;
    QPushButton* ButtonAlertRemove = nullptr;

    // The currencies last chosen for an alert, chosen again when a names feed offers them again.
    QString FAlertGiveChoice;
    QString FAlertGetChoice;
    std::string FServiceBase;
    std::vector<TRateAlert> FAlerts;
    TServiceAlertWatch FAlertWatch;
    std::string FRatesService; // the address the rates tables came from
    // The rates rows of each alert's pair, kept across checks over one rates table.
    std::map<std::pair<std::string, std::string>, TQuoteRows> FQuoteRows;
    bool FAlertsDue = false;
    TNotifier* FNotifier = nullptr;
};
