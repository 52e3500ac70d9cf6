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

// Why a service base cannot serve: the scheme must be http or https, then a host name, an IPv4 address or a
// bracketed IPv6 one, an optional port from 1 to 65535, and nothing else.
enum class TServiceBaseFault { None, Missing, Scheme, Trailing, Host, Port };

// What keeps the normalized Text from serving as the service base; None when it can. Never throws but for
// memory.
TServiceBaseFault ServiceBaseFault(std::string_view Text);

// ServiceBaseFault in words for the settings tab ("порт должен быть числом от 1 до 65535"); empty when the
// normalized Text can serve. Never throws but for memory.
std::string ServiceBaseProblem(std::string_view Text);

// The base stored under "Service/Base" when it can serve; the build's ServiceBase otherwise. Never throws.
std::string ReadServiceBase(const TConfigDoc& Doc);

// Stores Base (normalized) unless it is the build's and nothing is stored yet. Throws EConfigError as
// ConfigWrite does.
void WriteServiceBase(const TConfigDoc& Doc, std::string_view Base);

// Which service Base names, as a name fit for a folder: "https_rates.example_8443" (scheme and host in lower
// case, the port written out even when it is the scheme's own). Two bases name one service exactly when their
// keys are equal. Never throws but for memory.
std::string ServiceKey(std::string_view Base);

// Where the feeds of the service at Base are kept under Root: Root itself for the build's service (as before
// the address could be chosen), else a folder of its own below Root/"services", named after the scheme, host
// and port, so that one service's kept rates never show as another's.
std::filesystem::path KeptFeedsFolderFor(const std::filesystem::path& Root, std::string_view Base);
