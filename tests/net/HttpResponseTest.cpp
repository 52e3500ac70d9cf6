#include "net/HttpResponse.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

struct TReadCase {
    const char* Name;
    std::string Input;
    bool FailAtEnd;
    THttpOutcome Outcome;
    int Code;
    std::string Reason;
    std::string Headers; // joined, each line + "\n"
    std::string Body;
    std::string Method = "GET";
    std::size_t MaxBody = THttpLimits().MaxBody;
};

std::string Joined(const std::vector<std::string>& Lines) {
    std::string text;
    for (const auto& line : Lines)
        text += line + "\n";
    return text;
}

const std::string kPiece(kBodyPiece, 'p');

std::vector<TReadCase> ReadCases() {
    return {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, THttpOutcome::Complete,
         200, "OK", "HTTP/1.1 200 OK\nContent-Length: 5\n\n", "hello"},
        {"chunked with extensions",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6;x=1\r\n "
         "world\r\n0\r\n\r\n",
         false, THttpOutcome::Complete, 200, "OK", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n",
         "hello world"},
        {"chunked among codings",
         "HTTP/1.1 200 OK\r\ntransfer-encoding: gzip, Chunked\r\n\r\n5 \r\nhello\r\n0\r\n", false,
         THttpOutcome::Complete, 200, "OK", "HTTP/1.1 200 OK\ntransfer-encoding: gzip, Chunked\n\n", "hello"},
        {"chunked before length",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
         false, THttpOutcome::Malformed, 200, "OK",
         "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\nContent-Length: 3\n\n", ""},
        {"chunked after length",
         "HTTP/1.1 200 OK\r\ncontent-length: 3\r\ntransfer-encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n",
         false, THttpOutcome::Malformed, 200, "OK",
         "HTTP/1.1 200 OK\ncontent-length: 3\ntransfer-encoding: chunked\n\n", ""},
        {"two lengths that disagree",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 5\r\n\r\nhello", false,
         THttpOutcome::Malformed, 200, "OK", "HTTP/1.1 200 OK\nContent-Length: 3\nContent-Length: 5\n\n", ""},
        {"two lengths that agree", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 5\r\n\r\nhello",
         false, THttpOutcome::Complete, 200, "OK",
         "HTTP/1.1 200 OK\nContent-Length: 5\nContent-Length: 5\n\n", "hello"},
        {"negative length", "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nhello", false,
         THttpOutcome::Malformed, 200, "OK", "HTTP/1.0 200 OK\nContent-Length: -5\n\n", ""},
        {"length past 64 bits", "HTTP/1.0 200 OK\r\nContent-Length: 18446744073709551616\r\n\r\nhello", false,
         THttpOutcome::Malformed, 200, "OK", "HTTP/1.0 200 OK\nContent-Length: 18446744073709551616\n\n", ""},
        {"chunk size not a number mid-body",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nZZZ\r\nworld\r\n0\r\n\r\n",
         false, THttpOutcome::Malformed, 200, "OK", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n",
         "hello"},
        {"until close", "HTTP/1.0 200 OK\r\n\r\nabc\r\ndef", false, THttpOutcome::Complete, 200, "OK",
         "HTTP/1.0 200 OK\n\n", "abc\r\ndef"},
        {"until close, wait fails", "HTTP/1.0 200 OK\r\n\r\nabc", true, THttpOutcome::BodyFailed, 200, "OK",
         "HTTP/1.0 200 OK\n\n", "abc"},
        {"folded lines",
         "HTTP/1.0 200 OK\r\nX-A: one  \r\n\t two \r\n\"q\"\r\n=r\r\nB: 2\r\nContent-Length: 0\r\n\r\n",
         false, THttpOutcome::Complete, 200, "OK",
         "HTTP/1.0 200 OK\nX-A: one two \"q\" =r\nB: 2\nContent-Length: 0\n\n", ""},
        {"no reason phrase", "HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n", false, THttpOutcome::Complete, 200,
         "", "HTTP/1.1 200\nContent-Length: 0\n\n", ""},
        {"100 then 200", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", false,
         THttpOutcome::Complete, 200, "OK", "HTTP/1.1 200 OK\nContent-Length: 2\n\n", "ok"},
        {"100 with its own lines",
         "HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: "
         "1\r\n\r\nk",
         false, THttpOutcome::Complete, 201, "Created", "HTTP/1.1 201 Created\nContent-Length: 1\n\n", "k"},
        {"not a status line", "hello world\r\nmore\nbytes", false, THttpOutcome::Complete, 0, "", "",
         "hello world\r\nmore\nbytes"},
        {"empty lines before the status line", "\r\n\n\r\nHTTP/1.0 204 No Content\r\n\r\n", false,
         THttpOutcome::Complete, 204, "No Content", "HTTP/1.0 204 No Content\n\n", ""},
        {"header wait fails", "HTTP/1.0 200 OK\r\nA: b\r\n", true, THttpOutcome::HeaderFailed, 200, "OK",
         "HTTP/1.0 200 OK\nA: b\n", ""},
        {"close inside the header block", "HTTP/1.0 302 Found\r\nLocation: x", false,
         THttpOutcome::HeaderFailed, 302, "Found", "HTTP/1.0 302 Found\nLocation: x\n", ""},
        {"nothing, closed", "", false, THttpOutcome::NoResponse, 0, "", "", ""},
        {"nothing, silent", "\r\n", true, THttpOutcome::NoResponse, 0, "", "", ""},
        {"every line end", "HTTP/1.0 200 OK\n\rA: 1\rB: 2\nContent-Length: 3\r\n\r\nxyz", false,
         THttpOutcome::Complete, 200, "OK", "HTTP/1.0 200 OK\nA: 1\nB: 2\nContent-Length: 3\n\n", "xyz"},
        {"304 reads no body", "HTTP/1.0 304 Not Modified\r\nContent-Length: 5\r\n\r\nhello", false,
         THttpOutcome::Complete, 304, "Not Modified", "HTTP/1.0 304 Not Modified\nContent-Length: 5\n\n", ""},
        {"HEAD reads no body", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", false,
         THttpOutcome::Complete, 200, "OK", "HTTP/1.0 200 OK\nContent-Length: 5\n\n", "", "head"},
        {"length not a number", "HTTP/1.0 200 OK\r\nContent-Length: 12abc\r\n\r\nall of it", false,
         THttpOutcome::Complete, 200, "OK", "HTTP/1.0 200 OK\nContent-Length: 12abc\n\n", "all of it"},
        {"chunk size past 64 bits",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n10000000000000000\r\ncd", false,
         THttpOutcome::Malformed, 200, "OK", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n", "ab"},
        {"chunk size not a number", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\ncd", false,
         THttpOutcome::Malformed, 200, "OK", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n", ""},
        {"drop keeps whole pieces",
         "HTTP/1.0 200 OK\r\nContent-Length: 200000\r\n\r\n" + kPiece + kPiece + std::string(100, 'r'), false,
         THttpOutcome::BodyFailed, 200, "OK", "HTTP/1.0 200 OK\nContent-Length: 200000\n\n", kPiece + kPiece},
        {"chunk cut short",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n11170\r\n" + kPiece + std::string(1000, 'r'),
         true, THttpOutcome::BodyFailed, 200, "OK", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n",
         kPiece},
        {"chunked, closed before the last chunk",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", false,
         THttpOutcome::BodyFailed, 200, "OK", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n", "hello"},
        {"length, closed short", "HTTP/1.0 200 OK\r\nContent-Length: 11\r\n\r\nhello", false,
         THttpOutcome::BodyFailed, 200, "OK", "HTTP/1.0 200 OK\nContent-Length: 11\n\n", ""},
        {"huge announced length", "HTTP/1.0 200 OK\r\nContent-Length: 18446744073709551615\r\n\r\nshort",
         false, THttpOutcome::BodyFailed, 200, "OK",
         "HTTP/1.0 200 OK\nContent-Length: 18446744073709551615\n\n", ""},
        // A body of exactly the limit is whole whatever its framing; one byte more is too much for each.
        {"counted, at the limit", "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\n123456789", false,
         THttpOutcome::Complete, 200, "OK", "HTTP/1.0 200 OK\nContent-Length: 9\n\n", "123456789", "GET", 9},
        {"counted, past the limit", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n1234567890", false,
         THttpOutcome::BodyFailed, 200, "OK", "HTTP/1.0 200 OK\nContent-Length: 10\n\n", "", "GET", 9},
        {"until close, at the limit", "HTTP/1.0 200 OK\r\n\r\n123456789", false, THttpOutcome::Complete, 200,
         "OK", "HTTP/1.0 200 OK\n\n", "123456789", "GET", 9},
        {"until close, past the limit", "HTTP/1.0 200 OK\r\n\r\n1234567890", false, THttpOutcome::BodyFailed,
         200, "OK", "HTTP/1.0 200 OK\n\n", "123456789", "GET", 9},
        {"chunked, at the limit",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n1234\r\n5\r\n56789\r\n0\r\n\r\n", false,
         THttpOutcome::Complete, 200, "OK", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n", "123456789",
         "GET", 9},
        {"chunked, past the limit",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n1234\r\n6\r\n567890\r\n0\r\n\r\n", false,
         THttpOutcome::BodyFailed, 200, "OK", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n", "1234",
         "GET", 9},
    };
}

TEST(HttpResponse, ReadsEachShapeWholeAndByteByByte) {
    for (const TReadCase& c : ReadCases()) {
        for (const std::size_t step : {std::size_t(1) << 20, std::size_t(1), std::size_t(7)}) {
            SCOPED_TRACE(std::string(c.Name) + ", step " + std::to_string(step));
            TMemorySource source(c.Input, step, c.FailAtEnd);
            THttpLimits limits;
            limits.MaxBody = c.MaxBody;
            THttpResponse response;
            EXPECT_EQ(ReadHttpResponse(source, c.Method, limits, response), c.Outcome);
            EXPECT_EQ(response.ResultCode, c.Code);
            EXPECT_EQ(response.ResultString, c.Reason);
            EXPECT_EQ(Joined(response.Headers), c.Headers);
            EXPECT_EQ(response.Document.size(), c.Body.size());
            EXPECT_TRUE(response.Document == c.Body);
        }
    }
}

// A body of several MiB gets room for what it announces at once, up to a bound past which the room grows
// with what arrives: the bytes that arrived before each step come
// through unchanged, and a body cut short keeps its whole pieces.
TEST(HttpResponse, AMultiMegabyteBodyArrivesWholeOrInWholePieces) {
    std::string body(5 * 1024 * 1024 + 123, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>('a' + (i * 7 + i / 4099) % 26);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    for (const std::size_t step : {std::size_t(1) << 20, std::size_t(4093)}) {
        SCOPED_TRACE("step " + std::to_string(step));
        TMemorySource whole(head + body, step);
        THttpResponse response;
        EXPECT_EQ(ReadHttpResponse(whole, "GET", THttpLimits(), response), THttpOutcome::Complete);
        EXPECT_TRUE(response.Document == body);

        const std::size_t cut = 3 * 1024 * 1024 + 5;
        TMemorySource cutShort(head + body.substr(0, cut), step);
        EXPECT_EQ(ReadHttpResponse(cutShort, "GET", THttpLimits(), response), THttpOutcome::BodyFailed);
        EXPECT_TRUE(response.Document == body.substr(0, cut / kBodyPiece * kBodyPiece));
    }

    std::string large;
    while (large.size() < 33 * 1024 * 1024)
        large += body;
    TMemorySource growing("HTTP/1.1 200 OK\r\nContent-Length: 50000000\r\n\r\n" + large, 1 << 20);
    THttpResponse grown;
    EXPECT_EQ(ReadHttpResponse(growing, "GET", THttpLimits(), grown), THttpOutcome::BodyFailed);
    EXPECT_TRUE(grown.Document == large.substr(0, large.size() / kBodyPiece * kBodyPiece));

    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::size_t chunk = 300000;
    for (std::size_t at = 0; at < body.size(); at += chunk) {
        const std::string piece = body.substr(at, chunk);
        std::ostringstream size;
        size << std::hex << piece.size();
        chunked += size.str() + "\r\n" + piece + "\r\n";
    }
    TMemorySource source(chunked + "0\r\n\r\n");
    THttpResponse response;
    EXPECT_EQ(ReadHttpResponse(source, "GET", THttpLimits(), response), THttpOutcome::Complete);
    EXPECT_TRUE(response.Document == body);
}

// Writes down what a watch is told.
class TRecordingWatch final : public TBodyWatch {
  public:
    void Began(const char* Data, std::size_t Size) override {
        Said += "began " + std::to_string(Size) + ";";
        Start = Data;
    }
    void Arrived(std::size_t Bytes) override {
        Said += "in " + std::to_string(Bytes) + ";";
        // What has arrived is where it will stay.
        Seen = std::string(Start, Bytes);
    }
    void Ended(bool Whole) noexcept override { Said += Whole ? "whole;" : "broken off;"; }

    std::string Said;
    std::string Seen;

  private:
    const char* Start = nullptr;
};

TEST(HttpResponse, TellsAWatchOfA200BodyOfAGivenLengthOnly) {
    const std::string body(kBodyPiece + 10, 'b');
    const std::string counted = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    const std::string piece = std::to_string(kBodyPiece);
    const std::string all = std::to_string(body.size());
    struct TCase {
        std::string Input;
        std::string Said;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\n" + counted + body, "began " + all + ";in " + piece + ";in " + all + ";whole;"},
        {"HTTP/1.1 200 OK\r\n" + counted + body.substr(0, 100), "began " + all + ";broken off;"},
        {"HTTP/1.1 404 Not Found\r\n" + counted + body, ""},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", ""},
        {"HTTP/1.1 200 OK\r\n\r\n" + body, ""},
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Input.substr(0, 40));
        TMemorySource source(c.Input, 4093);
        TRecordingWatch watch;
        THttpResponse response;
        ReadHttpResponse(source, "GET", THttpLimits(), response, &watch);
        EXPECT_EQ(watch.Said, c.Said);
        if (c.Said.find("whole") != std::string::npos) {
            EXPECT_TRUE(watch.Seen == body);
            EXPECT_TRUE(response.Document == body);
        }
    }
}

TEST(HttpResponse, CapsEndTheReadAsAFailedWait) {
    THttpLimits limits;
    limits.MaxLine = 32;
    limits.MaxHeaderBlock = 100;
    limits.MaxBody = 10;
    THttpResponse response;

    TMemorySource longStatus("HTTP/1.0 200 " + std::string(40, 'x') + "\r\n\r\n");
    EXPECT_EQ(ReadHttpResponse(longStatus, "GET", limits, response), THttpOutcome::NoResponse);

    std::string manyLines = "HTTP/1.0 200 OK\r\n";
    for (int i = 0; i < 20; ++i)
        manyLines += "X-Line: 12345\r\n";
    TMemorySource headerFlood(manyLines + "\r\nbody");
    EXPECT_EQ(ReadHttpResponse(headerFlood, "GET", limits, response), THttpOutcome::HeaderFailed);
    EXPECT_EQ(response.ResultCode, 200);
    EXPECT_LT(Joined(response.Headers).size(), 100u);

    TMemorySource longPiece("HTTP/1.0 200 OK\r\nContent-Length: 20\r\n\r\n01234567890123456789");
    EXPECT_EQ(ReadHttpResponse(longPiece, "GET", limits, response), THttpOutcome::BodyFailed);
    EXPECT_EQ(response.Document, "");

    TMemorySource untilClose("HTTP/1.0 200 OK\r\n\r\n01234567890123456789", 3);
    EXPECT_EQ(ReadHttpResponse(untilClose, "GET", limits, response), THttpOutcome::BodyFailed);
    EXPECT_EQ(response.Document, "0123456789");

    // A body read to the close near the limit is never held in a room of twice the limit.
    limits.MaxBody = 3 * kBodyPiece + 5;
    TMemorySource nearLimit("HTTP/1.0 200 OK\r\n\r\n" + std::string(limits.MaxBody, 'n'), 4099);
    EXPECT_EQ(ReadHttpResponse(nearLimit, "GET", limits, response), THttpOutcome::Complete);
    EXPECT_EQ(response.Document.size(), limits.MaxBody);
    EXPECT_LE(response.Document.capacity(), limits.MaxBody);
}

TEST(HttpResponse, StatusLineParts) {
    struct {
        const char* Line;
        int Code;
        const char* Reason;
    } const cases[] = {
        {"HTTP/1.1 404 Not Found", 404, "Not Found"},
        {"HTTP/1.1   200   OK  ", 200, "OK"},
        {"HTTP/1.1 abc x", 0, "x"},
        {"HTTP/1.1", 0, ""},
        {"HTTP/1.0 302", 302, ""},
        {"http/1.0 500 Server  Error ", 500, "Server  Error"},
    };
    for (const auto& c : cases) {
        int code = -1;
        std::string reason = "stale";
        ParseStatusLine(c.Line, code, reason);
        EXPECT_EQ(code, c.Code) << c.Line;
        EXPECT_EQ(reason, c.Reason) << c.Line;
    }
}

} // namespace
