#pragma once
// The temporary files of atomic saves: how they are named, and removing those that interrupted saves left
// behind.

#include <cstdint>
#include <filesystem>
#include <string>

// ".<name of Target>.tmp-<Pid>-<Counter>-<Random>", the name of a temporary file written for Target by
// process Pid. Never throws but for memory.
std::string TemporaryName(const std::filesystem::path& Target, long long Pid, unsigned Counter,
                          std::uint32_t Random);

// Removes the temporary files of Target's earlier saves that no one is writing any more: names made by
// TemporaryName for Target, regular files, untouched for a minute, whose process is gone (or that are an hour
// old, in case the process id was reused). Two copies of the program may save into one folder at once, so a
// file that another live process may still be writing is left alone. Never throws.
void RemoveLeftoverTemporaries(const std::filesystem::path& Target);
