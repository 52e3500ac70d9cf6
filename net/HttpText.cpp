#include "net/HttpText.h"

namespace {
char Upper(char C) {
    return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
}
bool IsBlank(char C) {
    return static_cast<unsigned char>(C) <= 0x20;
}
} // namespace

std::string UpperAscii(std::string_view Text) {
    std::string result(Text);
    for (char& c : result)
        c = Upper(c);
    return result;
}

bool EqualsNoCase(std::string_view A, std::string_view B) {
    if (A.size() != B.size())
        return false;
    for (std::size_t i = 0; i < A.size(); ++i)
        if (Upper(A[i]) != Upper(B[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view Text, std::string_view Prefix) {
    return Text.size() >= Prefix.size() && EqualsNoCase(Text.substr(0, Prefix.size()), Prefix);
}

std::string_view Trim(std::string_view Text) {
    while (!Text.empty() && IsBlank(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && IsBlank(Text.back()))
        Text.remove_suffix(1);
    return Text;
}
