#include "net/Cookies.h"

#include "net/HttpText.h"

#include <algorithm>

void TCookieList::Set(std::string_view Name, std::string_view Value) {
    const auto found = std::find_if(FEntries.begin(), FEntries.end(),
                                    [&](const auto& Entry) { return EqualsNoCase(Entry.first, Name); });
    if (Value.empty()) {
        if (found != FEntries.end())
            FEntries.erase(found);
    } else if (found != FEntries.end()) {
        found->second = Value;
    } else {
        FEntries.emplace_back(Name, Value);
    }
}

std::string TCookieList::Text() const {
    std::string text;
    for (const auto& [name, value] : FEntries) {
        if (!text.empty())
            text += "; ";
        text += name;
        text += '=';
        text += value;
    }
    return text;
}
