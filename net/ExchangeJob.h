#pragma once
// One HTTP exchange run as a job of the job runner: the worker performs it on its own thread and the
// completion gets its records on the dispatcher's thread. The window's refresh and kovrin-cli's fetch both
// submit their feeds this way.

#include "net/TCP.h"
#include "net/ThreadCtrl.h"

#include <cstdint>
#include <functional>

// The request and response records of one exchange. They belong to the job that carries them.
struct TExchangeRecords {
    TIData Input;
    TOData Output;
    std::int64_t ElapsedMs = 0; // how long the exchange took on its worker
};

// Runs on the dispatcher's thread once the exchange has ended; may take the records' contents over.
using TExchangeCompletion = std::function<void(TExchangeRecords& Records)>;

// Runs on the worker once the exchange has ended, to make its answer ready for the completion.
using TExchangeFollowUp = std::function<void(TExchangeRecords& Records)>;

// Submits the exchange of Input to Control. The worker runs HttpRequest and times it; an exception there (no
// memory, say) ends the exchange as a failed one with an empty response rather than leaving the job running
// for good. The job owns the records: they go when the completion has run, or with the job should it never
// complete, and never while the worker still uses them. Throws what TThreadCtrl::AddJob throws (then
// Completion never runs).
// FollowUp, when given, runs on the worker after the exchange (inside the same guard: an exception there also
// ends the exchange as a failed one, and FollowUp is not run again).
void AddExchangeJob(TThreadCtrl& Control, TIData Input, TExchangeCompletion Completion,
                    TExchangeFollowUp FollowUp = {});
