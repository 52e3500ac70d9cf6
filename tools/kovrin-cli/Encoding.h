#pragma once
// Output encodings of the commands' --json forms.

#include <string>
#include <string_view>

// Standard base64 (RFC 4648, with padding) of Bytes.
std::string Base64(std::string_view Bytes);

// A JSON string literal, quotes included, whose characters are Bytes mapped one to one onto U+0000..U+00FF
// (so every byte survives, whatever the text's encoding was).
std::string JsonBytesString(std::string_view Bytes);
