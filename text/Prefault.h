#pragma once
// Memory about to be written, mapped in with one request. A block of megabytes being filled (a body as it is
// read, a table as it is cut) otherwise takes a page fault, an exception into the kernel, for every 4 KiB
// page as the writing first reaches it. Asking for the pages at once spares those exceptions and costs
// nothing more, since every page is written anyway.

#include <cstddef>

// Maps in, writable, the pages under [Data, Data + Bytes), which must lie in memory the caller owns and is
// about to write. Blocks under 64 KiB are left alone, as is everything where the kernel does not know the
// request (before Linux 5.14): their pages then come a fault at a time. Never throws.
void PrefaultForWriting(void* Data, std::size_t Bytes) noexcept;
