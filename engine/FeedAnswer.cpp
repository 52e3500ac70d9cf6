#include "engine/FeedAnswer.h"

#include "engine/Functions.h"
#include "engine/Protocol.h"
#include "net/BodyRoom.h"
#include "net/ExchangeJob.h"

#include <utility>

std::size_t FeedTableBudget(TFeed Feed) {
    return Feed == TFeed::Names ? kNamesTableBudget : kFeedTableBudget;
}

TFeedAnswer PrepareFeed(TFeed Feed, TOData Output) {
    TFeedAnswer answer;
    // The body's room is kept for the next refresh once the last table over it has gone.
    answer.Body = ShareBody(std::move(Output.Body));
    answer.Output = std::move(Output);
    answer.Output.Body.clear();
    if (!ExchangeSucceeded(answer.Output)) {
        return answer;
    }
    try {
        if (Feed == TFeed::News) {
            if (answer.Body->size() > kNewsBodyLimit) {
                throw ETableTooLarge(kNewsBodyLimit);
            }
            answer.News = NewsText(*answer.Body);
        } else {
            answer.Table = FeedTableShared(FeedName(Feed), answer.Body, FeedTableBudget(Feed));
        }
    } catch (const ETableTooLarge&) {
        answer.Refused = true;
        answer.Output.Failure = TExchangeFailure::TooLarge;
    }
    return answer;
}

void AddFeedJob(TThreadCtrl& Control, TFeed Feed, TIData Input, TFeedAnswerCompletion Completion) {
    // Made on the worker, read by the completion after the hand-off: the job runner orders the two.
    auto answer = std::make_shared<TFeedAnswer>();
    AddExchangeJob(
        Control, std::move(Input),
        [answer, completion = std::move(Completion)](TExchangeRecords&) {
            if (completion) {
                completion(*answer);
            }
        },
        [answer, Feed](TExchangeRecords& Records) {
            *answer = PrepareFeed(Feed, std::move(Records.Output));
        });
}
