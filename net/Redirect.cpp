#include "net/Redirect.h"

#include <algorithm>

namespace {

bool IsAbsolute(std::string_view Location) {
    const std::size_t scheme = Location.find("://");
    return scheme != std::string_view::npos && scheme > 0 && scheme < Location.find_first_of("/?#");
}

} // namespace

std::string ResolveLocation(std::string_view Current, std::string_view Location) {
    if (Location.empty())
        return std::string(Current);
    if (IsAbsolute(Location))
        return std::string(Location);
    const std::size_t schemeEnd = Current.find("://");
    const std::size_t authorityStart = schemeEnd == std::string_view::npos ? 0 : schemeEnd + 3;
    const std::string_view scheme =
        schemeEnd == std::string_view::npos ? "http" : Current.substr(0, schemeEnd);
    if (Location.substr(0, 2) == "//")
        return std::string(scheme) + ":" + std::string(Location);

    const std::size_t pathStart = std::min(Current.find_first_of("/?#", authorityStart), Current.size());
    const std::string origin =
        std::string(scheme) + "://" + std::string(Current.substr(authorityStart, pathStart - authorityStart));
    if (Location.front() == '/')
        return origin + std::string(Location);

    std::string_view path = Current.substr(pathStart);
    path = path.substr(0, path.find_first_of("?#"));
    if (Location.front() == '?')
        return origin + std::string(path.empty() ? "/" : path) + std::string(Location);
    const std::size_t lastSlash = path.rfind('/');
    const std::string_view folder = lastSlash == std::string_view::npos ? "/" : path.substr(0, lastSlash + 1);
    return origin + std::string(folder) + std::string(Location);
}
