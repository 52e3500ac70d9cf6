#pragma once
// A feed read from a file, for kovrin-cli --feeds DIR.

#include "engine/StringMatrix.h"

#include <string>

// The bytes of the file at Path (a regular file, a pipe...), read whole. Throws std::runtime_error with the
// cause when the file cannot be opened or read, or when a regular file ends before the size it had when it
// was opened (cut short while it was read).
TSharedText ReadFeedFile(const std::string& Path);
