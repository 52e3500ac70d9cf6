#pragma once
// The target of an RTF field instruction such as HYPERLINK "http://example.org" \o "tip".

#include <string>
#include <string_view>

// The address of a HYPERLINK instruction (quoted or bare; switches such as \o "tip" are passed over), or an
// empty text for any other instruction and for a link to a bookmark inside the document (\l). Never throws
// (but std::bad_alloc).
std::string HyperlinkTarget(std::string_view Instruction);
