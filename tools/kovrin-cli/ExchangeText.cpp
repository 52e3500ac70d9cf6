#include "tools/kovrin-cli/ExchangeText.h"

#include "tools/kovrin-cli/CliText.h"

namespace {

std::string StatusText(const TOData& Output) {
    std::string text = "HTTP " + std::to_string(Output.ResultCode);
    if (!Output.ResultString.empty())
        text += " " + OneLine(Output.ResultString);
    return text;
}

// Cause, after the status when a failing status line came before it.
std::string AfterStatus(const TOData& Output, const std::string& Cause) {
    return StatusLineFailed(Output) ? StatusText(Output) + ", then " + Cause : Cause;
}

} // namespace

std::string ExchangeFailureText(const TOData& Output, std::int64_t ElapsedMs) {
    switch (Output.Failure) {
    case TExchangeFailure::NoSuchHost:
        return "no such host";
    case TExchangeFailure::Refused:
        return "connection refused";
    case TExchangeFailure::Unreachable:
        return "host or network unreachable";
    case TExchangeFailure::Unsupported:
        return Output.FailureDetail.empty() ? "unsupported scheme (only http:// and https:// are spoken)"
                                            : "unsupported " + Output.FailureDetail;
    case TExchangeFailure::SendFailed:
        return "connection broke while the request was sent";
    case TExchangeFailure::Timeout:
        return AfterStatus(Output, "time-out after " + std::to_string(ElapsedMs) + " ms");
    case TExchangeFailure::Closed:
        return AfterStatus(Output, "connection closed before the answer was whole");
    case TExchangeFailure::TooLarge:
        return "answer too large";
    case TExchangeFailure::Certificate:
        return "certificate not trusted: " + Output.FailureDetail;
    case TExchangeFailure::Handshake:
        return Output.FailureDetail.empty() ? "TLS handshake failed" : "TLS " + Output.FailureDetail;
    case TExchangeFailure::Downgrade:
        return "redirect from https to http refused";
    case TExchangeFailure::ProxyRefused:
        return "proxy refused: " + Output.FailureDetail;
    case TExchangeFailure::ProxyUnreachable:
        return "proxy unreachable";
    case TExchangeFailure::Malformed:
        return "answer damaged (its framing is broken)";
    case TExchangeFailure::TlsUnavailable:
        return "TLS unavailable: " + Output.FailureDetail;
    case TExchangeFailure::None:
        break;
    }
    if (Output.ResultCode == 0)
        return "no HTTP status line in the answer";
    return StatusText(Output);
}
