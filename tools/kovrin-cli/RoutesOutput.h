#pragma once
// Routes as kovrin-cli prints them: JSON, CSV (one line per leg) or lines to read.

#include "engine/Routes.h"

#include <string>
#include <string_view>

// {"Direct": rate or null, "Routes": [{"Via": [...], "Rate", "Give", "Get", "Legs": [{"EID", "Exchanger",
// "From", "To", "SrcRate", "DstRate", "Reserve"}, ...]}, ...]}; numbers in the grid's format.
std::string RoutesJson(const TRoutes& Routes);

// Header "Route,Via,Rate,Give,Get,Leg,EID,Exchanger,From,To,SrcRate,DstRate,Reserve", one line per leg
// (routes and legs counted from 1, the currencies passed through joined by " > "), RFC 4180 quoting.
std::string RoutesCsv(const TRoutes& Routes);

// The best direct rate, then per route a line (via, rate, gain over the direct rate, amounts) and a line
// per leg, in Russian as the window says it.
std::string RoutesTable(const TRoutes& Routes);
