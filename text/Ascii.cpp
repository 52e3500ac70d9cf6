#include "text/Ascii.h"

std::string UpperAscii(std::string_view Text) {
    std::string result(Text);
    for (char& c : result)
        c = AsciiUpper(c);
    return result;
}

std::string LowerAscii(std::string_view Text) {
    std::string result(Text);
    for (char& c : result)
        c = AsciiLower(c);
    return result;
}

bool EqualsNoCase(std::string_view A, std::string_view B) {
    if (A.size() != B.size())
        return false;
    for (std::size_t i = 0; i < A.size(); ++i)
        if (AsciiUpper(A[i]) != AsciiUpper(B[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view Text, std::string_view Prefix) {
    return Text.size() >= Prefix.size() && EqualsNoCase(Text.substr(0, Prefix.size()), Prefix);
}

std::string_view Trim(std::string_view Text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!Text.empty() && isBlank(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && isBlank(Text.back()))
        Text.remove_suffix(1);
    return Text;
}
