#include "net/ExchangeJob.h"

#include <chrono>
#include <exception>
#include <memory>
#include <utility>

void AddExchangeJob(TThreadCtrl& Control, TIData Input, TExchangeCompletion Completion,
                    TExchangeFollowUp FollowUp) {
    auto records = std::make_shared<TExchangeRecords>();
    records->Input = std::move(Input);
    TExchangeRecords* worked = records.get();
    const auto worker = [worked, followUp = std::move(FollowUp)] {
        const auto start = std::chrono::steady_clock::now();
        try {
            HttpRequest(worked->Input, worked->Output);
        } catch (const std::exception&) {
            worked->Output = TOData{};
        }
        worked->ElapsedMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        if (followUp) {
            try {
                followUp(*worked);
            } catch (const std::exception&) {
                worked->Output = TOData{};
            }
        }
    };
    // The callback holds the records; the worker's pointer stays good because the job, and with it the
    // callback, outlives the worker's use of it.
    Control.AddJob(worker, [records, completion = std::move(Completion)]() mutable {
        if (records && completion) {
            completion(*records);
        }
        records.reset();
    });
}
