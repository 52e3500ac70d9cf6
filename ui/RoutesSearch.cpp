#include "ui/RoutesSearch.h"

#include "globals/Globals.h"
#include "net/ThreadCtrl.h"
#include "ui/RoutesView.h"

#include <QPointer>
#include <QtGlobal>

#include <exception>
#include <memory>
#include <string>
#include <utility>

struct TRoutesSearch::TJob {
    TStringMatrix Rates;
    TStringMatrix Names;
    TStringMatrix Exchangers;
    TOfferControls Controls;
    TRouteOptions Options;
    TRoutes Found;
    std::string Error; // what stopped the search, if anything did

    void Run() noexcept {
        try {
            Found = FindRoutes(Rates, Names, Exchangers, Controls, Options);
        } catch (const std::exception& error) {
            Error = error.what();
        }
    }
};

TRoutesSearch::TRoutesSearch(TRoutesView& View, QObject* Parent) : QObject(Parent), FView(View) {}

void TRoutesSearch::Start(const TStringMatrix& Rates, const TStringMatrix& Names,
                          const TStringMatrix& Exchangers, const TOfferControls& Controls,
                          TRouteOptions Options) {
    auto job = std::make_shared<TJob>(TJob{Rates, Names, Exchangers, Controls, std::move(Options), {}, {}});
    const std::uint64_t round = ++FStartedRound;
    if (JobControl) {
        QPointer<TRoutesSearch> self(this);
        try {
            JobControl->AddJob([job] { job->Run(); },
                               [self, job, round] {
                                   if (self) {
                                       self->Finish(round, *job);
                                   }
                               });
            return;
        } catch (const std::exception& error) {
            qWarning("Kovrin: %s; the routes are found at once", error.what());
        }
    }
    job->Run();
    Finish(round, *job);
}

void TRoutesSearch::Clear() {
    FShownRound = ++FStartedRound;
    FView.ShowRoutes(TRoutes{});
}

void TRoutesSearch::Finish(std::uint64_t Round, const TJob& Job) {
    if (Round != FStartedRound) {
        return; // a newer search is on its way
    }
    FShownRound = Round;
    if (!Job.Error.empty()) {
        qWarning("Kovrin: routes not shown: %s", Job.Error.c_str());
        return;
    }
    FView.ShowRoutes(Job.Found);
}
