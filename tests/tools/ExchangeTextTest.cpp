// The words kovrin-cli gives for a failed exchange: every cause of the response record, and a status that is
// not 200.

#include "tools/kovrin-cli/ExchangeText.h"

#include <gtest/gtest.h>

namespace {

TOData Failed(TExchangeFailure failure, std::int32_t code = 500, std::string reason = "") {
    TOData output;
    output.Failure = failure;
    output.ResultCode = code;
    output.ResultString = std::move(reason);
    if (code != 500 && code != 0) // a status line came
        output.Headers = "HTTP/1.0 " + std::to_string(code) + "\r\n";
    return output;
}

} // namespace

TEST(ExchangeFailureText, NamesEachCauseInWords) {
    const std::pair<TExchangeFailure, std::string> cases[] = {
        {TExchangeFailure::NoSuchHost, "no such host"},
        {TExchangeFailure::Refused, "connection refused"},
        {TExchangeFailure::Unreachable, "host or network unreachable"},
        {TExchangeFailure::Unsupported, "unsupported scheme (only http:// and https:// are spoken)"},
        {TExchangeFailure::SendFailed, "connection broke while the request was sent"},
        {TExchangeFailure::Timeout, "time-out after 30004 ms"},
        {TExchangeFailure::Closed, "connection closed before the answer was whole"},
        {TExchangeFailure::TooLarge, "answer too large"},
    };
    for (const auto& [failure, text] : cases)
        EXPECT_EQ(ExchangeFailureText(Failed(failure), 30004), text);
    // The cause outranks a 200 that came before the answer broke off; a failing status does not.
    EXPECT_EQ(ExchangeFailureText(Failed(TExchangeFailure::Closed, 200, "OK"), 5),
              "connection closed before the answer was whole");
    EXPECT_EQ(ExchangeFailureText(Failed(TExchangeFailure::Closed, 401, "Unauthorized"), 5),
              "HTTP 401 Unauthorized, then connection closed before the answer was whole");
}

TEST(ExchangeFailureText, WholeAnswersGiveTheirStatusOnOneLine) {
    EXPECT_EQ(ExchangeFailureText(Failed(TExchangeFailure::None, 503, "Service Unavailable"), 0),
              "HTTP 503 Service Unavailable");
    EXPECT_EQ(ExchangeFailureText(Failed(TExchangeFailure::None, 302), 0), "HTTP 302");
    EXPECT_EQ(ExchangeFailureText(Failed(TExchangeFailure::None, 404, "Not\x1b[31m\nFound"), 0),
              "HTTP 404 Not [31m Found");
    EXPECT_EQ(ExchangeFailureText(Failed(TExchangeFailure::None, 0), 0), "no HTTP status line in the answer");
}
