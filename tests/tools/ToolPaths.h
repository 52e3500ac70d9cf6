#pragma once
// The built programs the tool tests run.

#include <string>

inline const std::string kCli = KOVRIN_CLI_PATH;
#ifdef KOVRIN_DEMO_SERVICE_PATH
inline const std::string kService = KOVRIN_DEMO_SERVICE_PATH;
#endif
