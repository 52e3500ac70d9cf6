#pragma once
// Finds the routes through other currencies on a worker and hands the latest answer to the routes view. Over
// a large rates table a search takes milliseconds the grid should not wait for, after a refresh or a
// keystroke; an answer to a search that a newer one has replaced is dropped, so the view never shows older
// tables or amounts than the last search was given.

#include "engine/Offers.h"
#include "engine/Routes.h"
#include "engine/StringMatrix.h"

#include <QObject>

#include <cstdint>

class TRoutesView;

class TRoutesSearch final : public QObject {
  public:
    TRoutesSearch(TRoutesView& View, QObject* Parent);

    // Searches copies of the tables (they share their rows with the window's: pointers are copied, not rows)
    // on a worker of the job runner, or at once when there is none or it can start no thread.
    void Start(const TStringMatrix& Rates, const TStringMatrix& Names, const TStringMatrix& Exchangers,
               const TOfferControls& Controls, TRouteOptions Options);
    // Empties the view, and drops the answers of the searches still on their way.
    void Clear();
    // A search was started whose answer is not yet shown.
    bool Pending() const { return FShownRound != FStartedRound; }

  private:
    struct TJob;
    void Finish(std::uint64_t Round, const TJob& Job);

    TRoutesView& FView;
    std::uint64_t FStartedRound = 0;
    std::uint64_t FShownRound = 0;
};
