#pragma once
// Backing a large room of memory with 2 MiB pages: one fault for every 2 MiB instead of one per 4 KiB page,
// which on some virtual machines costs up to 10 us each.

#include <cstddef>
#include <string>

inline constexpr std::size_t kHugePageBytes = 2 * 1024 * 1024;

// Asks for huge pages over the room [Room, Room + Bytes) before it is written: over every 2 MiB page of which
// the room holds at least half (a page further on would keep memory no byte of the room uses). A page the
// room shares with other memory may already hold small pages, which the system then copies into a huge one; a
// page wholly within the room is only marked, and becomes huge when it is first written. Only advice: where
// the system refuses (no huge pages, an older kernel), the room stays in small pages. Never throws.
void AskHugePages(const void* Room, std::size_t Bytes);

// Gives Text room for Capacity bytes, asking for huge pages over its first Filled bytes (at most Capacity)
// before the bytes it holds are copied in; a room of less than half a huge page is only reserved. Throws what
// allocation throws.
void ReserveInHugePages(std::string& Text, std::size_t Capacity, std::size_t Filled);
