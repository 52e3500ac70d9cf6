// The refresh cycle of the main window: the timer's automatic first refresh and cooldown, the four feed
// requests, and their completions filling the tables, the news, the currency lists and the loader.
#include "ui/UnitMain.h"

#include "app/Globals.h"
#include "engine/Protocol.h"
#include "engine/Text.h"
#include "ui/ErrorBox.h"
#include "ui/NewsView.h"
#include "ui/UnitLoader.h"
#include "ui/UpdatesSuspended.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <exception>
#include <memory>
#include <stdexcept>
#include <utility>

namespace {

// A feed's request and response records; they belong to the job that carries them.
struct TFeedRecords {
    TIData Input;
    TOData Output;
};

// Runs one completion step so that no error leaves it: completions run inside the job runner's sweep, which
// must never see one.
template <typename TStep> void Guarded(const char* What, TStep&& Step) noexcept {
    try {
        Step();
    } catch (const std::exception& error) {
        qWarning("Kovrin: %s: %s", What, error.what());
    } catch (...) {
        qWarning("Kovrin: %s: unknown error", What);
    }
}

void StepLoader() {
    if (FormLoader != nullptr) {
        FormLoader->StepIt();
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
    if (FRefresh.ShouldAutoRefresh(BitBtnRefresh->isEnabled())) {
        BitBtnRefresh->click();
    }
    if (FRefresh.CountTick()) {
        BitBtnRefresh->setEnabled(true);
    }
    ShowRefreshHint();
    ShowStatus(); // a time from yesterday gains its date
}

void TFormMain::BitBtnRefreshClick() {
    FRefresh.RefreshStarted();
    BitBtnRefresh->setEnabled(false);
    ShowRefreshHint();
    FStatus.RefreshStarted();
    ShowStatus();
    if (FormLoader != nullptr) {
        FormLoader->Reset();
        FormLoader->show();
    }
    try {
        RequestFeed(kFeedNews, [this](TOData Output) { NewsReceived(std::move(Output)); });
        RequestFeed(kFeedRates, [this](TOData Output) { RatesReceived(std::move(Output)); });
        RequestFeed(kFeedNames, [this](TOData Output) { NamesReceived(std::move(Output)); });
        RequestFeed(kFeedExchangers, [this](TOData Output) { ExchangersReceived(std::move(Output)); });
    } catch (const std::exception& error) {
        ShowErrorBox(QString::fromUtf8(error.what()));
    }
}

void TFormMain::RequestFeed(std::string_view Feed, TFeedCompletion Completion) {
    if (!JobControl) {
        throw std::logic_error("Kovrin: no job runner for the feed requests");
    }
    auto records = std::make_shared<TFeedRecords>();
    records->Input = MakeFeedRequest(FServiceBase, Feed, GetAppGuid());
    records->Input.Timeout = FFeedTimeout;
    TIData* input = &records->Input;
    TOData* output = &records->Output;
    // The callback owns the records: they go when it has run, or with the job should it never complete, and
    // never while the worker still uses them (the job outlives its worker's use).
    QPointer<TFormMain> window(this);
    JobControl->AddJob([](void* Input, void* Output) { HttpRequest(Input, Output); }, input,
                       [records, window, completion = std::move(Completion)](void*) mutable {
                           if (records && window && completion) {
                               Guarded("feed completion", [&] { completion(std::move(records->Output)); });
                           }
                           records.reset();
                       },
                       output);
}

bool TFormMain::TakeFeed(TFeed Feed, const TOData& Output, const std::function<std::size_t()>& Replace) {
    if (!ExchangeSucceeded(Output)) {
        FStatus.FeedFailed(Feed, Output);
        return false;
    }
    try {
        FStatus.FeedReplaced(Feed, Replace(), FClock());
    } catch (const ETableTooLarge& error) {
        // Its table would pass the budget before it replaced anything: a failed feed, an answer too large.
        qWarning("Kovrin: feed refused: %s", error.what());
        TOData refused;
        refused.ResultCode = Output.ResultCode;
        refused.Failure = TExchangeFailure::TooLarge;
        FStatus.FeedFailed(Feed, refused);
        return false;
    }
    return true;
}

void TFormMain::ShowStatus() {
    LabelStatus->setText(QString::fromStdString(FStatus.Text(FClock())));
}

void TFormMain::ShowRefreshHint() {
    const QString hint = QString::fromStdString(
        RefreshButtonHint(BitBtnRefresh->isEnabled() ? 0 : FRefresh.SecondsUntilRefresh()));
    BitBtnRefresh->setToolTip(hint);
    BitBtnRefresh->setAccessibleDescription(hint);
}

void TFormMain::NewsReceived(TOData Output) {
    Guarded("news feed", [&] {
        TakeFeed(TFeed::News, Output, [&] {
            EditNews->SetNewsText(QString::fromStdString(NewsText(Output.Body)));
            return std::size_t{0};
        });
        StepLoader();
        ShowStatus();
    });
}

void TFormMain::RatesReceived(TOData Output) {
    Guarded("rates feed", [&] {
        const bool replaced = TakeFeed(TFeed::Rates, Output, [&] {
            RatesTable = FeedTableOver(kFeedRates, std::move(Output.Body));
            return RatesTable.size();
        });
        StepLoader();
        if (replaced) {
            RebuildOffers();
        }
        ShowStatus();
    });
}

void TFormMain::ExchangersReceived(TOData Output) {
    Guarded("exchangers feed", [&] {
        const bool replaced = TakeFeed(TFeed::Exchangers, Output, [&] {
            ExchangersTable = FeedTableOver(kFeedExchangers, std::move(Output.Body));
            return ExchangersTable.size();
        });
        StepLoader();
        if (replaced) {
            RebuildOffers();
        }
        ShowStatus();
    });
}

void TFormMain::NamesReceived(TOData Output) {
    Guarded("names feed", [&] {
        const bool replaced = TakeFeed(TFeed::Names, Output, [&] {
            NamesTable = FeedTableOver(kFeedNames, std::move(Output.Body));
            FillCurrencyLists();
            ComboBoxSrc->setEnabled(true);
            ComboBoxDst->setEnabled(true);
            return NamesTable.size();
        });
        StepLoader();
        if (replaced) {
            RebuildOffers();
        }
        ShowStatus();
    });
}

void TFormMain::FillCurrencyLists() {
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
            }
        }
    }
    SelectSavedCurrency(*ComboBoxSrc, "Rates/SrcCurr");
    SelectSavedCurrency(*ComboBoxDst, "Rates/DstCurr");
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
