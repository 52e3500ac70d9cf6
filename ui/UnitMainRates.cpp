// The rates tab's behaviour: amount and currency changes rebuild the offers and pick their order, the swap
// exchanges both sides, and the exchange command opens the current offer's page.
#include "ui/UnitMain.h"

#include "engine/Protocol.h"
#include "engine/Routes.h"
#include "globals/Globals.h"
#include "settings/SettingsKeys.h"
#include "ui/CurrencyList.h"
#include "ui/ErrorBox.h"
#include "ui/Guarded.h"
#include "ui/OfferGrid.h"
#include "ui/Opener.h"
#include "ui/RebuildOffers.h"
#include "ui/RefreshController.h"
#include "ui/RoutesSearch.h"
#include "ui/RoutesView.h"

#include <QSignalBlocker>

#include <exception>
#include <utility>

namespace {

std::optional<std::string> SelectedName(const QComboBox& Combo) {
    if (Combo.currentIndex() < 0) {
        return std::nullopt;
    }
    return ChosenCurrency(Combo).toStdString();
}

} // namespace

TOfferControls TFormMain::OfferControls() const {
    TOfferControls controls;
    controls.SrcName = SelectedName(*ComboBoxSrc);
    controls.DstName = SelectedName(*ComboBoxDst);
    controls.SrcAmountText = ButtonedEditSrc->text().toStdString();
    controls.DstAmountText = ButtonedEditDst->text().toStdString();
    return controls;
}

void TFormMain::RebuildOffers() {
    const TOfferControls controls = OfferControls();
    ::RebuildOffers(*DBGridRates, RatesTable, NamesTable, ExchangersTable, controls, FQuoteRows);
    DBGridRates->SetEmptyText(QString::fromStdString(EmptyOffersHint(
        RatesTable, NamesTable, ExchangersTable, controls, FRefresher->Status().RatesEmpty())));
    ScheduleRoutes();
}

void TFormMain::RebuildOffersAfterFeed() {
    const TOfferControls controls = OfferControls();
    ::RebuildOffersAfterFeed(*DBGridRates, RatesTable, NamesTable, ExchangersTable, controls, FQuoteRows);
    DBGridRates->SetEmptyText(QString::fromStdString(EmptyOffersHint(
        RatesTable, NamesTable, ExchangersTable, controls, FRefresher->Status().RatesEmpty())));
    // While the refresh still awaits a data feed, the routes wait for it: a search over tables about to be
    // replaced would take a core from the cutting of the next feed, and its answer would be dropped.
    if (FRefresher->Status().DataFeedsPending()) {
        FRoutesHeld = true;
    } else {
        ScheduleRoutes();
    }
}

void TFormMain::ReleaseHeldRoutes() {
    if (FRoutesHeld && !FRefresher->Status().DataFeedsPending()) {
        FRoutesHeld = false;
        ScheduleRoutes();
    }
}

void TFormMain::ScheduleRoutes() {
    // Once per turn of the event loop: a refresh rebuilds the offers after each of its three data feeds, and
    // the grid is filled without waiting for the routes.
    if (!FRoutesDue) {
        FRoutesDue = true;
        QTimer::singleShot(0, this, [this] {
            FRoutesDue = false;
            Guarded("routes not shown", [this] { RebuildRoutes(); });
        });
    }
}

void TFormMain::RebuildRoutes() {
    const TOfferControls controls = OfferControls();
    if (!CanRebuildOffers(RatesTable, NamesTable, ExchangersTable, controls)) {
        // The routes go with the offers when those were of another pair than the one chosen.
        if (!DBGridRates->Model().ShownFor()) {
            FRoutesSearch->Clear();
        }
        return;
    }
    TRouteOptions options;
    // The hide list holds one item per names row, in table order.
    for (const QModelIndex& index : ListBoxHide->selectionModel()->selectedIndexes()) {
        const auto row = static_cast<std::size_t>(index.row());
        if (row < NamesTable.size() && !NamesTable[row].empty()) {
            options.HiddenCodes.emplace_back(NamesTable[row][0]);
        }
    }
    FRoutesSearch->Start(RatesTable, NamesTable, ExchangersTable, controls, std::move(options));
}

bool TFormMain::RoutesPending() const {
    return FRoutesDue || FRoutesHeld || FRoutesSearch->Pending();
}

void TFormMain::ButtonedEditSrcChange(QObject* Sender) {
    try {
        RebuildOffers();
        if (Sender == ButtonedEditSrc || Sender == ButtonedEditDst) {
            // Also when the rebuild stopped early: the rows on screen are re-sorted.
            if (const std::optional<TSortKey> key = AmountOrder(ButtonedEditSrc->text().toStdString(),
                                                                ButtonedEditDst->text().toStdString())) {
                DBGridRates->SetOrder({*key});
            }
        } else if (Sender == ComboBoxSrc || Sender == ComboBoxDst) {
            StoreChosenCurrency(Sender == ComboBoxSrc ? *ComboBoxSrc : *ComboBoxDst);
        }
    } catch (const std::exception& error) {
        ShowErrorBox(QString::fromUtf8(error.what()));
    }
}

void TFormMain::SpeedButtonSwapClick() {
    const QString srcAmount = ButtonedEditSrc->text();
    const QString dstAmount = ButtonedEditDst->text();
    // Each field that changes runs its change handler here, with the currencies not yet swapped.
    ButtonedEditSrc->setText(dstAmount);
    ButtonedEditDst->setText(srcAmount);
    const int srcIndex = ComboBoxSrc->currentIndex();
    const int dstIndex = ComboBoxDst->currentIndex();
    // A side without a choice may still hold a stored currency (hidden, or not in the names yet): it changes
    // sides too, or a refresh would restore the other side's currency on both.
    const std::optional<std::string> storedSrc = ConfigReadStored(ConfigDoc, kSrcCurrKey);
    const std::optional<std::string> storedDst = ConfigReadStored(ConfigDoc, kDstCurrKey);
    {
        // Both lists hold the same items, so swapping indexes swaps currencies; not a user's pick, so silent.
        const QSignalBlocker srcSignals(ComboBoxSrc);
        const QSignalBlocker dstSignals(ComboBoxDst);
        ComboBoxSrc->setCurrentIndex(dstIndex);
        ComboBoxDst->setCurrentIndex(srcIndex);
    }
    // Stored at once, as a pick is: a refresh restores the stored pair, and would otherwise turn it back
    // while the amounts stay swapped (0.5 roubles becoming 0.5 bitcoin).
    try {
        StoreSwappedCurrency(*ComboBoxSrc, storedDst);
        StoreSwappedCurrency(*ComboBoxDst, storedSrc);
    } catch (const std::exception& error) {
        ShowErrorBox(QString::fromUtf8(error.what()));
    }
    RebuildOffers();
}

bool TFormMain::StoreChosenCurrency(const QComboBox& Combo) {
    if (Combo.count() == 0 || ChosenCurrency(Combo).isEmpty()) {
        return false;
    }
    ConfigWrite(ConfigDoc, &Combo == ComboBoxSrc ? kSrcCurrKey : kDstCurrKey,
                ChosenCurrency(Combo).toStdString());
    return true;
}

void TFormMain::StoreSwappedCurrency(const QComboBox& Combo, const std::optional<std::string>& OtherStored) {
    const char* key = &Combo == ComboBoxSrc ? kSrcCurrKey : kDstCurrKey;
    if (StoreChosenCurrency(Combo)) {
        return;
    }
    if (OtherStored) {
        ConfigWrite(ConfigDoc, key, *OtherStored);
    } else {
        ConfigDelete(ConfigDoc, key);
    }
}

void TFormMain::BitBtnExchangeClick() {
    if (const std::optional<TOfferRow> offer = DBGridRates->CurrentOffer()) {
        OpenUrl(QString::fromStdString(ExchangerPageUrl(FServiceBase, offer->EID)));
    }
}
