#pragma once
// The client's cookie list: name=value entries in order of first insertion.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TCookieList final {
  public:
    // Sets cookie Name: an empty Value removes it; a name already present (compared without case) keeps its
    // place and takes the new value; any other name is appended. Never throws but for memory.
    void Set(std::string_view Name, std::string_view Value);

    // The entries as (name, value), in list order.
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return FEntries; }

    // "name=value" entries joined with "; ", exactly as stored; empty for no cookies.
    std::string Text() const;

    bool Empty() const { return FEntries.empty(); }
    void Clear() { FEntries.clear(); }

  private:
    std::vector<std::pair<std::string, std::string>> FEntries;
};
