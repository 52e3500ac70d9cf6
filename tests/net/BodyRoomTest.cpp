#include "net/BodyRoom.h"

#include "net/ByteSource.h"
#include "net/HttpResponse.h"

#include <gtest/gtest.h>

// A large body's room serves the next large body once its last holder has gone, through the HTTP reader too;
// a room too small for the next body, or a small body's, is not handed out.
TEST(BodyRoom, AGoneLargeBodyLendsItsRoomToTheNext) {
    TakeBodyRoom(1); // whatever an earlier test left kept

    std::string first = TakeBodyRoom(2 * kKeptBodyRoomMin);
    first.assign(2 * kKeptBodyRoomMin, 'a');
    const char* const room = first.data();
    auto shared = ShareBody(std::move(first));
    auto alsoHeld = shared;
    shared.reset();
    EXPECT_NE(TakeBodyRoom(kKeptBodyRoomMin).data(), room) << "given back while still held";
    alsoHeld.reset();

    // A body a little larger than the one before fits the room it left.
    const std::string body(2 * kKeptBodyRoomMin + 4096, 'b');
    TMemorySource source(
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body, 100000);
    THttpResponse response;
    ASSERT_EQ(ReadHttpResponse(source, "GET", THttpLimits(), response), THttpOutcome::Complete);
    EXPECT_EQ(response.Document.data(), room);
    EXPECT_TRUE(response.Document == body);

    // One too small for what is asked stays kept for a body it fits.
    GiveBackBodyRoom(std::move(response.Document));
    EXPECT_NE(TakeBodyRoom(8 * kKeptBodyRoomMin).data(), room);
    EXPECT_EQ(TakeBodyRoom(kKeptBodyRoomMin).data(), room);

    std::string small(kKeptBodyRoomMin / 2, 's');
    GiveBackBodyRoom(std::move(small));
    EXPECT_LT(TakeBodyRoom(1).capacity(), kKeptBodyRoomMin);
}
