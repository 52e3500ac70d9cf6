#include "net/Cookies.h"

#include "text/Ascii.h"

TCookieList::TCookieList(const TCookieList& Other) {
    for (const auto& [name, value] : Other.FEntries)
        Set(name, value);
}

TCookieList& TCookieList::operator=(const TCookieList& Other) {
    if (this != &Other) {
        Clear();
        for (const auto& [name, value] : Other.FEntries)
            Set(name, value);
    }
    return *this;
}

TCookieList::TCookieList(TCookieList&& Other) noexcept
    : FEntries(std::move(Other.FEntries)), FByName(std::move(Other.FByName)), FBytes(Other.FBytes) {
    Other.Clear();
}

TCookieList& TCookieList::operator=(TCookieList&& Other) noexcept {
    if (this != &Other) {
        FEntries = std::move(Other.FEntries);
        FByName = std::move(Other.FByName);
        FBytes = Other.FBytes;
        Other.Clear();
    }
    return *this;
}

void TCookieList::Set(std::string_view Name, std::string_view Value) {
    const std::string key = UpperAscii(Name);
    const auto found = FByName.find(key);
    if (Value.empty()) {
        if (found != FByName.end())
            Remove(found->second);
    } else if (found != FByName.end()) {
        FBytes = FBytes - found->second->second.size() + Value.size();
        found->second->second = Value;
    } else {
        FEntries.emplace_back(Name, Value);
        FByName.emplace(key, std::prev(FEntries.end()));
        FBytes += Name.size() + Value.size();
    }
}

bool TCookieList::Take(std::string_view Name, std::string_view Value, const TCookieLimits& Limits) {
    if (!Value.empty()) {
        const auto found = FByName.find(UpperAscii(Name));
        const std::size_t entry = Name.size() + Value.size();
        const std::size_t freed =
            found == FByName.end() ? 0 : found->second->first.size() + found->second->second.size();
        if (entry > Limits.MaxEntryBytes || FBytes - freed + entry > Limits.MaxBytes ||
            (found == FByName.end() && FEntries.size() >= Limits.MaxCount))
            return false;
    }
    Set(Name, Value);
    return true;
}

std::string TCookieList::Text() const {
    std::string text;
    text.reserve(FBytes + 3 * FEntries.size());
    for (const auto& [name, value] : FEntries) {
        if (!text.empty())
            text += "; ";
        text += name;
        text += '=';
        text += value;
    }
    return text;
}

void TCookieList::Clear() {
    FEntries.clear();
    FByName.clear();
    FBytes = 0;
}

void TCookieList::Remove(TEntries::iterator Entry) {
    FBytes -= Entry->first.size() + Entry->second.size();
    FByName.erase(UpperAscii(Entry->first));
    FEntries.erase(Entry);
}
