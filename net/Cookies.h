#pragma once
// The client's cookie list: name=value entries in order of first insertion, looked up by name.

#include <cstddef>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

// Bounds on the cookies a server can make the client keep and send back, of the order browsers use, so that a
// flood of Set-Cookie lines costs neither time nor an ever longer request head.
struct TCookieLimits {
    std::size_t MaxCount = 50;        // cookies in one list
    std::size_t MaxEntryBytes = 4096; // name and value of one cookie together
    std::size_t MaxBytes = 16384;     // names and values of a whole list together
};

class TCookieList final {
  public:
    TCookieList() = default;
    // A copy gets an index of its own (the index points into the entries); a move keeps it valid and leaves
    // the source empty.
    TCookieList(const TCookieList& Other);
    TCookieList& operator=(const TCookieList& Other);
    TCookieList(TCookieList&& Other) noexcept;
    TCookieList& operator=(TCookieList&& Other) noexcept;

    // Sets cookie Name: an empty Value removes it; a name already present (compared without case) keeps its
    // place and takes the new value; any other name is appended. Never throws but for memory.
    void Set(std::string_view Name, std::string_view Value);

    // Set for a cookie a server sent: a new cookie or a new value that would pass Limits is dropped (a
    // removal always goes through). True when the list took it. Never throws but for memory.
    bool Take(std::string_view Name, std::string_view Value, const TCookieLimits& Limits);

    // "name=value" entries joined with "; ", exactly as stored; empty for no cookies.
    std::string Text() const;

    bool Empty() const { return FEntries.empty(); }
    std::size_t Count() const { return FEntries.size(); }
    void Clear();

  private:
    using TEntries = std::list<std::pair<std::string, std::string>>;

    void Remove(TEntries::iterator Entry);

    TEntries FEntries;
    std::unordered_map<std::string, TEntries::iterator> FByName; // keyed by the upper-case name
    std::size_t FBytes = 0;                                      // names and values together
};
