#pragma once
// A feed read from a file, for kovrin-cli --feeds DIR.

#include "engine/StringMatrix.h"

#include <string>

// The bytes of the regular file at Path, mapped rather than read: a feed file is in the page cache, and
// mapping it costs a small part of copying it into fresh memory. Anything else (a pipe, an empty file) is
// read whole. Should a mapped file be cut short while the program runs, the program stops with a line on
// stderr and exit code 1 rather than crashing. Throws std::runtime_error with the cause when the file cannot
// be opened or read.
TSharedText ReadFeedFile(const std::string& Path);
