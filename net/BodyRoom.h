#pragma once
// The room of a large response body, kept for the next one once its body has gone. A refresh replaces a feed
// of megabytes by one of about the same size: reading it into the room the last one left, whose pages are
// already the process's, spares the system handing out and clearing a thousand fresh pages every refresh.

#include <cstddef>
#include <memory>
#include <string>

// Bodies smaller than this are left to the allocator: their pages are few and reused anyway.
inline constexpr std::size_t kKeptBodyRoomMin = std::size_t{1} << 20;
// Bodies larger than this are not kept: a room that size would be held for a feed that may never come again.
inline constexpr std::size_t kKeptBodyRoomMax = std::size_t{32} << 20;

// An empty string with room for at least Bytes: the kept room when there is one large enough (it is then no
// longer kept), else a new one an eighth larger, so that a later body a little larger fits it too.
// Thread-safe. Throws what allocation throws.
std::string TakeBodyRoom(std::size_t Bytes);

// Keeps Body's room for a later TakeBodyRoom when it lies within the kept bounds and is larger than the room
// kept now (one room at most is kept); else Body's memory goes. Thread-safe. Never throws.
void GiveBackBodyRoom(std::string&& Body) noexcept;

// Body shared read-only; its room is given back (GiveBackBodyRoom) when the last holder lets it go.
std::shared_ptr<const std::string> ShareBody(std::string&& Body);
