#pragma once
// Names for the copies of damaged files kept beside them, so that a later damage never replaces an earlier
// copy.

#include <filesystem>
#include <span>
#include <string_view>

// Where the bytes of a damaged FileName go: FileName.damaged, or, when an earlier copy is there already, the
// first free FileName.damaged.N. A name counts as taken when anything bears it (a link too, even a dangling
// one) or bears it with one of Companions appended (a database's "-wal" and "-shm" move along with it). Empty
// when all the names are taken. Never throws but for memory.
std::filesystem::path FreeDamagedCopyName(const std::filesystem::path& FileName,
                                          std::span<const std::string_view> Companions = {});
