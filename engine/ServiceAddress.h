#pragma once
// The rates service's address chosen at run time: its check, its place in settings.xml ("Service/Base", in a
// group of its own, written only once it differs from the build's), and the folder its feeds are kept in.

#include "settings/SettingsKeys.h"
#include "settings/XMLConf.h"

#include <filesystem>
#include <string>
#include <string_view>

// Text trimmed of blanks and of trailing slashes (the base is joined with "/callback"). Never throws but for
// memory.
std::string NormalizeServiceBase(std::string_view Text);

// Why the normalized Text cannot serve as the service base, in words for the settings tab: the scheme must be
// http or https, then a host name, an IPv4 address or a bracketed IPv6 one, an optional port from 1 to 65535,
// and nothing else. Empty when it can serve. Never throws but for memory.
std::string ServiceBaseProblem(std::string_view Text);

// The base stored under "Service/Base" when it can serve; the build's ServiceBase otherwise. Never throws.
std::string ReadServiceBase(const TConfigDoc& Doc);

// Stores Base (normalized) unless it is the build's and nothing is stored yet. Throws EConfigError as
// ConfigWrite does.
void WriteServiceBase(const TConfigDoc& Doc, std::string_view Base);

// Which service Base names, as what is kept per service (feeds, rate history) tells them apart: empty for the
// build's service (what was kept before the address could be chosen is its), else the scheme, host and port,
// such as "https_rates.example_8443". Never throws but for memory.
std::string ServiceKey(std::string_view Base);

// Where the feeds of the service at Base are kept under Root: Root itself for the build's service, else a
// folder of its own below Root/"services" named ServiceKey(Base), so that one service's kept rates never
// show as another's.
std::filesystem::path KeptFeedsFolderFor(const std::filesystem::path& Root, std::string_view Base);
