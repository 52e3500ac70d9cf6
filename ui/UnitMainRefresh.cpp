// The refresh cycle of the main window: the timer's automatic first refresh and cooldown, the four feed
// requests, and their completions filling the tables, the news, the currency lists and the loader.
#include "ui/UnitMain.h"

#include "engine/FeedAnswer.h"
#include "engine/Protocol.h"
#include "engine/Text.h"
#include "globals/Globals.h"
#include "net/ExchangeJob.h"
#include "settings/SettingsKeys.h"
#include "ui/ErrorBox.h"
#include "ui/Guarded.h"
#include "ui/HistoryPart.h"
#include "ui/LivePanel.h"
#include "ui/NewsView.h"
#include "ui/RefreshController.h"
#include "ui/UnitLoader.h"
#include "ui/UpdatesSuspended.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStringList>

#include <cstdint>
#include <ctime>
#include <exception>
#include <memory>
#include <stdexcept>
#include <utility>

namespace {

void StepLoader(bool Received) {
    if (FormLoader == nullptr) {
        return;
    }
    if (Received) {
        FormLoader->StepIt();
    } else {
        FormLoader->StepFailed();
    }
}

} // namespace

bool IsCurrencyHidden(const std::string& Code) {
    try {
        std::string flag;
        if (!ConfigRead(ConfigDoc, HideCurrencyKey(Code), flag)) {
            return false;
        }
        return ConfigTextToBool(flag);
    } catch (const std::exception& error) {
        // Only booleans are ever written there; a hand-edited flag must not cost the whole names feed.
        qWarning("Kovrin: hide flag of %s ignored: %s", Code.c_str(), error.what());
        return false;
    }
}

void TFormMain::TimerTimer() {
    if (const std::optional<TRefreshTrigger> due = FRefresher->DueRefresh()) {
        Refresh(*due);
    }
    FRefresher->CountTick();
}

void TFormMain::BitBtnRefreshClick() {
    Refresh(TRefreshTrigger::User);
}

void TFormMain::Refresh(TRefreshTrigger Trigger) {
    TakeNextServiceBase();
    FRefresher->RefreshStarted(Trigger);
    if (FormLoader != nullptr) {
        connect(FormLoader, &TFormLoader::CancelRequested, this, &TFormMain::CancelRefresh,
                Qt::UniqueConnection);
        FormLoader->Reset();
        if (RefreshShowsLoader(Trigger)) {
            FormLoader->show();
            FCancelShortcut->setEnabled(true);
        }
    }
    try {
        // Each feed is cut on its job's worker; its completion installs the finished answer.
        for (const TFeed feed : kAllFeeds) {
            RequestFeed(feed);
        }
    } catch (const std::exception& error) {
        ShowErrorBox(QString::fromUtf8(error.what()));
    }
}

void TFormMain::RequestFeed(std::string_view Feed, TFeedCompletion Completion) {
    if (!JobControl) {
        throw std::logic_error("Kovrin: no job runner for the feed requests");
    }
    TIData input = MakeFeedRequest(FServiceBase, Feed, GetAppGuid());
    input.Timeout = FFeedTimeout;
    QPointer<TFormMain> window(this);
    AddExchangeJob(*JobControl, std::move(input),
                   [window, completion = std::move(Completion)](TExchangeRecords& Records) {
                       if (window && completion) {
                           Guarded("feed completion", [&] { completion(std::move(Records.Output)); });
                       }
                   });
}

void TFormMain::RequestFeed(TFeed Feed) {
    if (!JobControl) {
        throw std::logic_error("Kovrin: no job runner for the feed requests");
    }
    TIData input = MakeFeedRequest(FServiceBase, FeedName(Feed), GetAppGuid());
    input.Timeout = FFeedTimeout;
    QPointer<TFormMain> window(this);
    const std::uint64_t round = FRefresher->Status().Round();
    AddFeedJob(*JobControl, Feed, std::move(input), [window, Feed, round](TFeedAnswer& Answer) {
        // An answer that comes after its refresh was cancelled is dropped whole: nothing shown, kept or
        // counted.
        if (window && window->FRefresher->Status().Accepts(round)) {
            window->FeedReceived(Feed, std::move(Answer));
        }
    });
}

void TFormMain::CancelRefresh() {
    if (FormLoader != nullptr) {
        FormLoader->hide();
    }
    FCancelShortcut->setEnabled(false);
    Guarded("cancelling the refresh", [&] {
        if (FRefresher->CancelRefresh()) {
            ReleaseHeldRoutes();
            RefreshSettled();
        }
    });
}

void TFormMain::RefreshSettled() {
    FCancelShortcut->setEnabled(false);
    KeepReceivedFeeds();
    FLivePanel->CheckDueAlerts(); // once the refresh is complete
    FLivePanel->ShowAlertStandings();
    if (std::exchange(FHistoryDue, false)) {
        FHistory->RatesSettled();
    }
}

void TFormMain::KeepReceivedFeeds() {
    if (!FFeedsToKeep.empty() && FFeedKeeper) {
        Guarded("keeping the feeds", [&] { FFeedKeeper(std::exchange(FFeedsToKeep, {})); });
    }
    FFeedsToKeep.clear();
}

void TFormMain::SetFeedKeeper(TFeedKeeper Keeper) {
    KeepReceivedFeeds();
    FFeedKeeper = std::move(Keeper);
}

void TFormMain::NewsReceived(TOData Output) {
    FeedReceived(TFeed::News, PrepareFeed(TFeed::News, std::move(Output)));
}

void TFormMain::RatesReceived(TOData Output) {
    FeedReceived(TFeed::Rates, PrepareFeed(TFeed::Rates, std::move(Output)));
}

void TFormMain::ExchangersReceived(TOData Output) {
    FeedReceived(TFeed::Exchangers, PrepareFeed(TFeed::Exchangers, std::move(Output)));
}

void TFormMain::NamesReceived(TOData Output) {
    FeedReceived(TFeed::Names, PrepareFeed(TFeed::Names, std::move(Output)));
}

void TFormMain::FeedReceived(TFeed Feed, TFeedAnswer Answer) {
    Guarded("feed completion", [&] {
        const bool replaced = Answer.Usable();
        const bool keep = Answer.WorthKeeping(); // before the table moves into the window
        if (replaced) {
            FFreshFeeds[static_cast<std::size_t>(Feed)] = true;
            FRefresher->FeedReplaced(Feed, InstallFeed(Feed, Answer));
        } else {
            if (Answer.Refused) {
                qWarning("Kovrin: feed \"%s\" refused: beyond its bound",
                         std::string(FeedName(Feed)).c_str());
            }
            FRefresher->FeedFailed(Feed, Answer.Output);
        }
        StepLoader(replaced);
        if (replaced && Feed != TFeed::News) {
            RebuildOffersAfterFeed();
        }
        FRefresher->ShowStatus();
        // What a refresh would refuse is never kept; a usable body is shared with the keeper, not copied.
        if (keep && FFeedKeeper) {
            FFeedsToKeep.push_back({std::string(FeedName(Feed)), std::move(Answer.Body), std::time(nullptr)});
        }
        if (replaced && Feed == TFeed::Rates) {
            FLivePanel->RatesArrived(FServiceBase);
            FHistoryDue = true;
        }
        ReleaseHeldRoutes();
        if (!FRefresher->Running()) {
            RefreshSettled();
        }
    });
}

std::size_t TFormMain::InstallFeed(TFeed Feed, TFeedAnswer& Answer) {
    switch (Feed) {
    case TFeed::News:
        EditNews->SetNewsText(QString::fromStdString(Answer.News));
        return 0;
    case TFeed::Rates:
        RatesTable = std::move(Answer.Table);
        return RatesTable.size();
    case TFeed::Exchangers:
        ExchangersTable = std::move(Answer.Table);
        return ExchangersTable.size();
    case TFeed::Names:
        NamesTable = std::move(Answer.Table);
        FillCurrencyLists();
        ComboBoxSrc->setEnabled(true);
        ComboBoxDst->setEnabled(true);
        return NamesTable.size();
    }
    return 0;
}

void TFormMain::FillCurrencyLists() {
    QStringList offered;
    {
        const QScopedValueRollback<bool> filling(FFillingLists, true);
        TUpdatesSuspended srcPaint(*ComboBoxSrc);
        TUpdatesSuspended dstPaint(*ComboBoxDst);
        TUpdatesSuspended hidePaint(*ListBoxHide);
        const QSignalBlocker srcSignals(ComboBoxSrc);
        const QSignalBlocker dstSignals(ComboBoxDst);
        const QSignalBlocker hideSignals(ListBoxHide);
        ComboBoxSrc->clear();
        ComboBoxDst->clear();
        ListBoxHide->clear();
        for (const TStringRow row : NamesTable) {
            // Item i of the hide list must stand for row i, so a short row still gets its item.
            const QString name = row.size() > 1 ? QString::fromUtf8(row[1]) : QString();
            ListBoxHide->addItem(name);
            if (!row.empty() && IsCurrencyHidden(std::string(row[0]))) {
                ListBoxHide->item(ListBoxHide->count() - 1)->setSelected(true);
            } else {
                ComboBoxSrc->addItem(name);
                ComboBoxDst->addItem(name);
                offered << name;
            }
        }
    }
    // The alert lists offer what the rates tab offers.
    FLivePanel->SetCurrencyNames(offered);
    SelectSavedCurrency(*ComboBoxSrc, kSrcCurrKey);
    SelectSavedCurrency(*ComboBoxDst, kDstCurrKey);
    // The pair was chosen silently: the chart must hear of it, whether the names came fresh or kept.
    if (FHistory != nullptr) {
        FHistory->CurrenciesListed();
    }
}

void TFormMain::ListBoxHideToggled(const QItemSelection& Selected, const QItemSelection& Deselected) {
    if (FFillingLists) {
        return;
    }
    for (const QItemSelection* changed : {&Selected, &Deselected}) {
        for (const QModelIndex& index : changed->indexes()) {
            // The list holds one item per names-table row, in table order.
            const auto row = static_cast<std::size_t>(index.row());
            if (row >= NamesTable.size() || NamesTable[row].empty()) {
                continue;
            }
            const std::string code(NamesTable[row][0]);
            try {
                ConfigWrite(ConfigDoc, HideCurrencyKey(code), changed == &Selected);
            } catch (const std::exception& error) {
                qWarning("Kovrin: hide flag of %s not stored: %s", code.c_str(), error.what());
            }
        }
    }
    // A currency just hidden is no longer passed through.
    ScheduleRoutes();
}

void TFormMain::SelectSavedCurrency(QComboBox& Combo, const std::string& Key) {
    int found = -1;
    try {
        std::string saved;
        if (ConfigRead(ConfigDoc, Key, saved)) {
            // The stored name goes through the ANSI code page first: a character it lacks no longer matches.
            const std::string wanted = AnsiRoundTrip(saved);
            for (int item = 0; item < Combo.count(); ++item) {
                if (AnsiSameText(Combo.itemText(item).toStdString(), wanted)) {
                    found = item;
                    break;
                }
            }
        }
    } catch (const std::exception& error) {
        // An unreadable choice is no choice; the lists must still be enabled and the feed counted.
        qWarning("Kovrin: %s not restored: %s", Key.c_str(), error.what());
    }
    // Adding items selects the first one; the saved choice or nothing must stand instead. From code, so
    // silently: no change handler runs and nothing is written back.
    const QSignalBlocker silent(&Combo);
    Combo.setCurrentIndex(found);
}
