#include "engine/FeedAnswer.h"

#include "engine/EarlyCut.h"
#include "engine/Functions.h"
#include "engine/Protocol.h"
#include "net/BodyRoom.h"
#include "net/ExchangeJob.h"

#include <utility>

std::size_t FeedTableBudget(TFeed Feed) {
    return Feed == TFeed::Names ? kNamesTableBudget : kFeedTableBudget;
}

TFeedAnswer PrepareFeed(TFeed Feed, TOData Output, TEarlyCut* Early) {
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
        } else if (auto rows = Early ? Early->TakeRows(*answer.Body) : std::nullopt) {
            TSharedText text(answer.Body);
            text.MarkValidUtf8();
            answer.Table = TStringMatrix(std::move(text), std::move(*rows));
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
    // The rates feed, megabytes where the others are kilobytes, is cut while it arrives; its pattern's
    // matches never hold a line end, as that needs.
    std::shared_ptr<TEarlyCut> early;
    if (Feed == TFeed::Rates) {
        early = std::make_shared<TEarlyCut>(std::string(kRatesPattern), FeedTableBudget(Feed));
        Input.BodyWatch = early;
    }
    AddExchangeJob(
        Control, std::move(Input),
        [answer, completion = std::move(Completion)](TExchangeRecords&) {
            if (completion) {
                completion(*answer);
            }
        },
        [answer, Feed, early](TExchangeRecords& Records) {
            *answer = PrepareFeed(Feed, std::move(Records.Output), early.get());
        });
}
