#include "ui/LivePanel.h"

#include "engine/DesignScale.h"
#include "engine/LiveSettings.h"
#include "engine/Protocol.h"
#include "engine/RefreshState.h"
#include "engine/ServiceAddress.h"
#include "globals/Globals.h"
#include "ui/CurrencyList.h"
#include "ui/FocusAfterClick.h"
#include "ui/Guarded.h"
#include "ui/Notifier.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace {

// The captions of kAutoRefreshChoices, in the same order.
const char* const kAutoRefreshCaptions[] = {"выключено", "каждую минуту", "каждые 5 минут", "каждые 15 минут",
                                            "каждый час"};
static_assert(std::size(kAutoRefreshCaptions) == kAutoRefreshChoices.size());

constexpr int kLevelWidth = 90;

QLabel* MakeCaption(const QString& Text, QWidget* Parent) {
    auto* label = new QLabel(Text, Parent);
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    return label;
}

QComboBox* MakeAlertCurrencyList(const QString& Name, const QString& Spoken, QWidget* Parent) {
    auto* combo = new THalfScreenList(Parent);
    combo->setObjectName(Name);
    combo->setAccessibleName(Spoken);
    combo->setMaxVisibleItems(20);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    return combo;
}

} // namespace

TLivePanel::TLivePanel(QWidget* Parent) : QWidget(Parent), FRatesService(::ServiceBase) {
    setObjectName(QStringLiteral("PanelLive"));
    setAccessibleName(QStringLiteral("Свежие курсы"));
    Build();
    Connect();
}

TLivePanel::~TLivePanel() = default;

void TLivePanel::Build() {
    auto* serviceLabel = MakeCaption(QStringLiteral("&Адрес сервиса:"), this);
    EditServiceBase = new QLineEdit(this);
    EditServiceBase->setObjectName(QStringLiteral("EditServiceBase"));
    EditServiceBase->setAccessibleName(QStringLiteral("Адрес сервиса"));
    EditServiceBase->setMaxLength(300);
    EditServiceBase->setPlaceholderText(QString::fromStdString(::ServiceBase));
    EditServiceBase->setToolTip(QStringLiteral("http:// или https://, имя сервера и, если нужно, порт; "
                                               "действует со следующего обновления"));
    serviceLabel->setBuddy(EditServiceBase);
    LabelServiceBaseProblem = new QLabel(this);
    LabelServiceBaseProblem->setObjectName(QStringLiteral("LabelServiceBaseProblem"));
    LabelServiceBaseProblem->setWordWrap(true);
    LabelServiceBaseProblem->hide();

    CheckBoxUseSaved = new QCheckBox(QStringLiteral("&Показывать сохранённые курсы при запуске"), this);
    CheckBoxUseSaved->setObjectName(QStringLiteral("CheckBoxUseSaved"));
    CheckBoxUseSaved->setChecked(true);

    auto* autoLabel = MakeCaption(QStringLiteral("&Обновлять автоматически:"), this);
    ComboBoxAutoRefresh = new QComboBox(this);
    ComboBoxAutoRefresh->setObjectName(QStringLiteral("ComboBoxAutoRefresh"));
    ComboBoxAutoRefresh->setAccessibleName(QStringLiteral("Обновлять автоматически"));
    for (const char* caption : kAutoRefreshCaptions) {
        ComboBoxAutoRefresh->addItem(QString::fromUtf8(caption));
    }
    autoLabel->setBuddy(ComboBoxAutoRefresh);

    auto* alertsLabel = new QLabel(QStringLiteral("Уведомления о &курсах:"), this);
    ListBoxAlerts = new QListWidget(this);
    ListBoxAlerts->setObjectName(QStringLiteral("ListBoxAlerts"));
    ListBoxAlerts->setAccessibleName(QStringLiteral("Уведомления о курсах"));
    ListBoxAlerts->setWordWrap(true);
    ListBoxAlerts->setResizeMode(QListView::Adjust);
    ListBoxAlerts->setSpacing(2); // an alert takes two lines: a gap tells one from the next
    alertsLabel->setBuddy(ListBoxAlerts);

    ComboBoxAlertSrc = MakeAlertCurrencyList(QStringLiteral("ComboBoxAlertSrc"),
                                             QStringLiteral("Уведомить: валюта, которую вы отдаёте"), this);
    EditAlertLevel = new QLineEdit(this);
    EditAlertLevel->setObjectName(QStringLiteral("EditAlertLevel"));
    EditAlertLevel->setAccessibleName(QStringLiteral("Уведомить: не меньше скольких единиц получаете"));
    EditAlertLevel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    EditAlertLevel->setFixedWidth(ScaledPixels(kLevelWidth, DesignScaleForDpi(logicalDpiY())));
    EditAlertLevel->setMaxLength(30);
    EditAlertLevel->setPlaceholderText(QStringLiteral("уровень"));
    EditAlertLevel->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral(R"([0-9]*[.,]?[0-9]*)")), EditAlertLevel));
    ComboBoxAlertDst = MakeAlertCurrencyList(QStringLiteral("ComboBoxAlertDst"),
                                             QStringLiteral("Уведомить: валюта, которую вы получаете"), this);
    ButtonAlertAdd = new QPushButton(QStringLiteral("&Добавить"), this);
    ButtonAlertAdd->setObjectName(QStringLiteral("ButtonAlertAdd"));
    ButtonAlertSave = new QPushButton(QStringLiteral("&Сохранить"), this);
    ButtonAlertSave->setObjectName(QStringLiteral("ButtonAlertSave"));
    ButtonAlertSave->setToolTip(
        QStringLiteral("Заменить выбранное уведомление тем, что задано ниже (Enter)"));
    ButtonAlertSave->setEnabled(false);
    ButtonAlertRemove = new QPushButton(QStringLiteral("&Удалить"), this);
    ButtonAlertRemove->setObjectName(QStringLiteral("ButtonAlertRemove"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(3);
    auto* serviceRow = new QHBoxLayout;
    serviceRow->addWidget(serviceLabel);
    serviceRow->addWidget(EditServiceBase, 1);
    layout->addLayout(serviceRow);
    layout->addWidget(LabelServiceBaseProblem);
    layout->addWidget(CheckBoxUseSaved);
    auto* autoRow = new QHBoxLayout;
    autoRow->addWidget(autoLabel);
    autoRow->addWidget(ComboBoxAutoRefresh, 1);
    layout->addLayout(autoRow);
    layout->addWidget(alertsLabel);
    layout->addWidget(ListBoxAlerts, 1);
    // The received currency has a row of its own under the level, as wide as the given one's: beside the
    // level it had too little room for a long name at the window's least width.
    auto* alertFields = new QGridLayout;
    alertFields->setHorizontalSpacing(layout->spacing() * 2);
    alertFields->setVerticalSpacing(layout->spacing());
    auto* giveLabel = MakeCaption(QStringLiteral("&За 1"), this);
    giveLabel->setBuddy(ComboBoxAlertSrc);
    alertFields->addWidget(giveLabel, 0, 0);
    alertFields->addWidget(ComboBoxAlertSrc, 0, 1);
    auto* levelLabel = MakeCaption(QStringLiteral("дают не &меньше"), this);
    levelLabel->setBuddy(EditAlertLevel);
    alertFields->addWidget(levelLabel, 1, 0);
    alertFields->addWidget(EditAlertLevel, 1, 1, Qt::AlignLeft);
    alertFields->addWidget(ComboBoxAlertDst, 2, 1);
    alertFields->setColumnStretch(1, 1);
    layout->addLayout(alertFields);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonAlertAdd);
    buttons->addWidget(ButtonAlertSave);
    buttons->addWidget(ButtonAlertRemove);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    FNotifier = new TNotifier(this);
    FNotifier->SetLastResort([this](const TNotice& Notice) { emit NoticeUnshown(Notice.Text); });
    connect(FNotifier, &TNotifier::Activated, this,
            [this](const TNotice& Notice) { emit AlertPairActivated(Notice.Give, Notice.Get); });
}

void TLivePanel::Connect() {
    connect(EditServiceBase, &QLineEdit::editingFinished, this, &TLivePanel::EditServiceBaseDone);
    // The reason goes as soon as the text changes; it is judged again when the edit is done.
    connect(EditServiceBase, &QLineEdit::textEdited, LabelServiceBaseProblem, &QLabel::hide);
    connect(CheckBoxUseSaved, &QCheckBox::toggled, this, [](bool Checked) {
        Guarded("Live/UseSaved not stored",
                [&] { WriteUnlessDefault(ConfigDoc, kUseSavedKey, Checked, true); });
    });
    connect(ComboBoxAutoRefresh, &QComboBox::activated, this, [this](int Index) {
        const int minutes = Index >= 0 && Index < static_cast<int>(kAutoRefreshChoices.size())
                                ? kAutoRefreshChoices[static_cast<std::size_t>(Index)]
                                : 0;
        emit AutoRefreshMinutesChanged(minutes);
        Guarded("Live/AutoMinutes not stored",
                [&] { WriteUnlessDefault(ConfigDoc, kAutoMinutesKey, minutes, 0); });
    });
    connect(ComboBoxAlertSrc, &QComboBox::currentIndexChanged, this, [this] {
        FAlertGiveChoice = ComboBoxAlertSrc->currentText();
        UpdateAlertAddButton();
    });
    connect(ComboBoxAlertDst, &QComboBox::currentIndexChanged, this, [this] {
        FAlertGetChoice = ComboBoxAlertDst->currentText();
        UpdateAlertAddButton();
    });
    connect(EditAlertLevel, &QLineEdit::textChanged, this, [this] { UpdateAlertAddButton(); });
    // Enter applies a change to the selected alert; with none selected (or nothing changed) it adds one.
    connect(EditAlertLevel, &QLineEdit::returnPressed, this, [this] {
        if (ButtonAlertSave->isEnabled()) {
            ButtonAlertSaveClick();
        } else if (ButtonAlertAdd->isEnabled()) {
            ButtonAlertAddClick();
        }
    });
    // Adding or saving leaves both buttons disabled (the alert is listed now); the focus goes to the list,
    // where the alert is selected. A removal of the last alert sends it on to the first field.
    connect(ButtonAlertAdd, &QPushButton::clicked, this, [this] {
        KeepFocusNear(
            *ButtonAlertAdd, [this] { ButtonAlertAddClick(); }, [this] { return ListBoxAlerts; });
    });
    connect(ButtonAlertSave, &QPushButton::clicked, this, [this] {
        KeepFocusNear(
            *ButtonAlertSave, [this] { ButtonAlertSaveClick(); }, [this] { return ListBoxAlerts; });
    });
    connect(ButtonAlertRemove, &QPushButton::clicked, this, [this] {
        KeepFocusNear(
            *ButtonAlertRemove, [this] { ButtonAlertRemoveClick(); },
            [this]() -> QWidget* {
                return ListBoxAlerts->count() > 0 ? static_cast<QWidget*>(ListBoxAlerts) : ComboBoxAlertSrc;
            });
    });
    connect(ListBoxAlerts, &QListWidget::currentRowChanged, this, [this](int Row) {
        ButtonAlertRemove->setEnabled(Row >= 0);
        LoadSelectedAlert();
    });
    connect(ListBoxAlerts, &QListWidget::itemChanged, this, [this](QListWidgetItem* Item) {
        const int row = ListBoxAlerts->row(Item);
        if (row < 0 || row >= static_cast<int>(FAlerts.size())) {
            return;
        }
        const bool enabled = Item->checkState() == Qt::Checked;
        if (FAlerts[static_cast<std::size_t>(row)].Enabled != enabled) {
            FAlerts[static_cast<std::size_t>(row)].Enabled = enabled;
            StoreRateAlerts();
        }
    });
}

void TLivePanel::Restore() {
    FServiceBase = ReadServiceBase(ConfigDoc);
    EditServiceBase->setText(QString::fromStdString(FServiceBase));
    LabelServiceBaseProblem->hide();
    emit ServiceBaseChanged(FServiceBase);
    {
        const QSignalBlocker silent(CheckBoxUseSaved);
        CheckBoxUseSaved->setChecked(ReadUseSavedFeeds(ConfigDoc));
    }
    const int minutes = ReadAutoRefreshMinutes(ConfigDoc);
    const auto choice = std::find(kAutoRefreshChoices.begin(), kAutoRefreshChoices.end(), minutes);
    ComboBoxAutoRefresh->setCurrentIndex(static_cast<int>(choice - kAutoRefreshChoices.begin()));
    FAlerts = ReadRateAlerts(ConfigDoc);
    if (const int unread = CountRateAlertsPastTheLimit(ConfigDoc); unread > 0) {
        qWarning("Kovrin: %d rate alerts past the first %d are not loaded; settings.xml keeps them", unread,
                 kMaxRateAlerts);
    }
    FillAlertList();
    UpdateAlertAddButton();
    emit AutoRefreshMinutesChanged(minutes);
}

void TLivePanel::EditServiceBaseDone() {
    const std::string typed = NormalizeServiceBase(EditServiceBase->text().toStdString());
    // An emptied field means the build's service again.
    const std::string base = typed.empty() ? ::ServiceBase : typed;
    const std::string problem = ServiceBaseProblem(base);
    if (!problem.empty()) {
        const QString line = QStringLiteral("Адрес сервиса не принят: ") + QString::fromStdString(problem);
        LabelServiceBaseProblem->setText(line);
        LabelServiceBaseProblem->setAccessibleName(line);
        LabelServiceBaseProblem->show();
        return;
    }
    LabelServiceBaseProblem->hide();
    EditServiceBase->setText(QString::fromStdString(base));
    if (base == FServiceBase) {
        return;
    }
    FServiceBase = base;
    Guarded("Service/Base not stored", [&] { WriteServiceBase(ConfigDoc, base); });
    emit ServiceBaseChanged(base);
}

bool TLivePanel::UseSavedFeeds() const {
    return CheckBoxUseSaved->isChecked();
}

int TLivePanel::AutoRefreshMinutes() const {
    const int index = ComboBoxAutoRefresh->currentIndex();
    return index >= 0 && index < static_cast<int>(kAutoRefreshChoices.size())
               ? kAutoRefreshChoices[static_cast<std::size_t>(index)]
               : 0;
}

void TLivePanel::SetCurrencyNames(const QStringList& Names) {
    {
        const QSignalBlocker srcSignals(ComboBoxAlertSrc);
        const QSignalBlocker dstSignals(ComboBoxAlertDst);
        // The choice made last, not what the lists show: a feed that came without a currency (or empty) must
        // not lose it for good.
        ComboBoxAlertSrc->clear();
        ComboBoxAlertDst->clear();
        ComboBoxAlertSrc->addItems(Names);
        ComboBoxAlertDst->addItems(Names);
        ComboBoxAlertSrc->setCurrentIndex(ComboBoxAlertSrc->findText(FAlertGiveChoice, Qt::MatchExactly));
        ComboBoxAlertDst->setCurrentIndex(ComboBoxAlertDst->findText(FAlertGetChoice, Qt::MatchExactly));
    }
    // The lists open wide enough for the longest display name, whatever the width of the box.
    for (QComboBox* combo : {ComboBoxAlertSrc, ComboBoxAlertDst}) {
        QAbstractItemView* view = combo->view();
        view->setMinimumWidth(view->sizeHintForColumn(0) +
                              view->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                              2 * view->frameWidth());
    }
    UpdateAlertAddButton();
}

void TLivePanel::FillAlertList() {
    const QSignalBlocker silent(ListBoxAlerts);
    const int current = ListBoxAlerts->currentRow();
    ListBoxAlerts->clear();
    for (const TRateAlert& alert : FAlerts) {
        auto* item = new QListWidgetItem(ListBoxAlerts);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(alert.Enabled ? Qt::Checked : Qt::Unchecked);
    }
    ShowAlertStandings();
    ListBoxAlerts->setCurrentRow(std::min(current, ListBoxAlerts->count() - 1));
    ButtonAlertRemove->setEnabled(ListBoxAlerts->currentRow() >= 0);
    UpdateAlertAddButton();
}

void TLivePanel::ShowAlertStandings() {
    Guarded("alert rates not shown", [&] {
        // Before the first feeds there is nothing to compare with: the alerts are listed as they are.
        const bool known = !RatesTable.empty() && !NamesTable.empty() && !ExchangersTable.empty();
        const int count = std::min(ListBoxAlerts->count(), static_cast<int>(FAlerts.size()));
        const QSignalBlocker silent(ListBoxAlerts);
        for (int row = 0; row < count; ++row) {
            const TRateAlert& alert = FAlerts[static_cast<std::size_t>(row)];
            std::string text = AlertDescription(alert);
            if (known) {
                const std::string standing =
                    AlertStanding(alert, BestOfferFor(RatesTable, NamesTable, ExchangersTable, alert.Give,
                                                      alert.Get, FQuoteRows[{alert.Give, alert.Get}]));
                if (!standing.empty()) {
                    text += "\n" + standing;
                }
            }
            const QString shown = QString::fromStdString(text);
            if (ListBoxAlerts->item(row)->text() != shown) {
                ListBoxAlerts->item(row)->setText(shown);
            }
        }
    });
}

TRateAlert TLivePanel::EditedAlert() const {
    TRateAlert alert;
    alert.Give = ComboBoxAlertSrc->currentText().toStdString();
    alert.Get = ComboBoxAlertDst->currentText().toStdString();
    // A decimal comma, as the amount fields take it; the level is kept with ".".
    alert.Level = EditAlertLevel->text().replace(QLatin1Char(','), QLatin1Char('.')).toStdString();
    return alert;
}

void TLivePanel::LoadSelectedAlert() {
    const int row = ListBoxAlerts->currentRow();
    if (row < 0 || row >= static_cast<int>(FAlerts.size())) {
        UpdateAlertAddButton();
        return;
    }
    const TRateAlert& alert = FAlerts[static_cast<std::size_t>(row)];
    FAlertGiveChoice = QString::fromStdString(alert.Give);
    FAlertGetChoice = QString::fromStdString(alert.Get);
    {
        const QSignalBlocker srcSignals(ComboBoxAlertSrc);
        const QSignalBlocker dstSignals(ComboBoxAlertDst);
        const QSignalBlocker levelSignals(EditAlertLevel);
        // A currency hidden since is not offered: its list stays without a choice until one is made or the
        // currency is offered again.
        ComboBoxAlertSrc->setCurrentIndex(ComboBoxAlertSrc->findText(FAlertGiveChoice, Qt::MatchExactly));
        ComboBoxAlertDst->setCurrentIndex(ComboBoxAlertDst->findText(FAlertGetChoice, Qt::MatchExactly));
        EditAlertLevel->setText(QString::fromStdString(alert.Level));
    }
    UpdateAlertAddButton();
}

void TLivePanel::UpdateAlertAddButton() {
    const TRateAlert edited = EditedAlert();
    const bool valid = ComboBoxAlertSrc->currentIndex() >= 0 && ComboBoxAlertDst->currentIndex() >= 0 &&
                       ComboBoxAlertSrc->currentText() != ComboBoxAlertDst->currentText() &&
                       AlertLevel(edited.Level).has_value();
    const auto listed = [&](const TRateAlert& Alert) { return SameAlert(Alert, edited); };
    const bool known = std::any_of(FAlerts.begin(), FAlerts.end(), listed);
    const bool full = FAlerts.size() >= static_cast<std::size_t>(kMaxRateAlerts);
    ButtonAlertAdd->setEnabled(valid && !known && !full);
    // A disabled button says what keeps it so.
    ButtonAlertAdd->setToolTip(
        full ? QStringLiteral("Уведомлений уже %1 — больше нельзя. Удалите ненужное, чтобы добавить новое")
                   .arg(kMaxRateAlerts)
        : valid && known ? QStringLiteral("Такое уведомление уже есть в списке")
                         : QStringLiteral("Выберите обе валюты и введите уровень, например 3000000 или 0.5"));
    const int row = ListBoxAlerts->currentRow();
    ButtonAlertSave->setEnabled(valid && !known && row >= 0 && row < static_cast<int>(FAlerts.size()));
}

void TLivePanel::ButtonAlertSaveClick() {
    const int row = ListBoxAlerts->currentRow();
    if (row < 0 || row >= static_cast<int>(FAlerts.size()) || !ButtonAlertSave->isEnabled()) {
        return;
    }
    TRateAlert& alert = FAlerts[static_cast<std::size_t>(row)];
    const TRateAlert edited = EditedAlert();
    alert.Give = edited.Give;
    alert.Get = edited.Get;
    alert.Level = edited.Level; // whether it is on stays as it was
    StoreRateAlerts();
    FillAlertList();
}

void TLivePanel::ButtonAlertAddClick() {
    TRateAlert alert = EditedAlert();
    if (alert.Give.empty() || alert.Get.empty() || !AlertLevel(alert.Level) || !ButtonAlertAdd->isEnabled()) {
        return;
    }
    FAlerts.push_back(std::move(alert));
    StoreRateAlerts();
    FillAlertList();
    ListBoxAlerts->setCurrentRow(ListBoxAlerts->count() - 1); // and its fields show it, to be changed
}

void TLivePanel::ButtonAlertRemoveClick() {
    const int row = ListBoxAlerts->currentRow();
    if (row < 0 || row >= static_cast<int>(FAlerts.size())) {
        return;
    }
    FAlerts.erase(FAlerts.begin() + row);
    StoreRateAlerts();
    FillAlertList();
    // The list selects the next alert without telling: the fields show it, or nothing when none is left, so
    // that "Сохранить" never puts the removed alert over another.
    if (ListBoxAlerts->currentRow() >= 0) {
        LoadSelectedAlert();
        return;
    }
    FAlertGiveChoice.clear();
    FAlertGetChoice.clear();
    {
        const QSignalBlocker srcSignals(ComboBoxAlertSrc);
        const QSignalBlocker dstSignals(ComboBoxAlertDst);
        const QSignalBlocker levelSignals(EditAlertLevel);
        ComboBoxAlertSrc->setCurrentIndex(-1);
        ComboBoxAlertDst->setCurrentIndex(-1);
        EditAlertLevel->clear();
    }
    UpdateAlertAddButton();
}

void TLivePanel::SetRateAlerts(std::vector<TRateAlert> Alerts) {
    FAlerts = std::move(Alerts);
    StoreRateAlerts();
    FillAlertList();
}

void TLivePanel::StoreRateAlerts() {
    Guarded("alerts not stored", [&] { WriteRateAlerts(ConfigDoc, FAlerts); });
    emit AlertsChanged();
}

void TLivePanel::CheckDueAlerts() {
    if (FAlertsDue) {
        FAlertsDue = false;
        CheckRateAlerts();
    }
}

void TLivePanel::CheckRateAlerts() {
    Guarded("alerts not checked", [&] {
        const std::vector<TAlertFired> fired = FAlertWatch.Check(
            FRatesService, FAlerts, [this](const std::string& Give, const std::string& Get) {
                return BestOfferFor(RatesTable, NamesTable, ExchangersTable, Give, Get,
                                    FQuoteRows[{Give, Get}]);
            });
        // Rows of pairs no longer watched are not kept.
        std::erase_if(FQuoteRows, [this](const auto& Pair) {
            return std::none_of(FAlerts.begin(), FAlerts.end(), [&](const TRateAlert& Alert) {
                return Alert.Give == Pair.first.first && Alert.Get == Pair.first.second;
            });
        });
        for (const TAlertFired& alert : fired) {
            FNotifier->Notify(
                TNotice{QStringLiteral("Kovrin"), QString::fromStdString(AlertNoticeText(alert)),
                        QString::fromStdString(alert.Alert.Give), QString::fromStdString(alert.Alert.Get)});
        }
    });
}
