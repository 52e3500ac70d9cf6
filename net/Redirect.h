#pragma once
// Where a "Location" value leads from the address that answered with it.

#include <string>
#include <string_view>

// Location itself when it is absolute ("scheme://..."); otherwise Location resolved against Current:
// "//host..." takes Current's scheme, "/path" its scheme and host, "?query" its path, anything else its
// folder. Dot segments are left for the server. Never throws but for memory.
std::string ResolveLocation(std::string_view Current, std::string_view Location);
