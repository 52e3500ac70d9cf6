#include "tools/kovrin-cli/RoutesOutput.h"

#include "engine/Text.h"
#include "tools/kovrin-cli/CliText.h"

namespace {

std::string Number(long double Value) {
    return DecimalText(static_cast<double>(Value));
}

std::string JsonNumber(long double Value) {
    const std::string text = Number(Value);
    return IsJsonNumber(text) ? text : "null";
}

std::string JoinedVia(const TRoute& Route) {
    std::string via;
    for (const std::string& name : Route.Via)
        via += (via.empty() ? "" : " > ") + name;
    return via;
}

} // namespace

std::string RoutesJson(const TRoutes& Routes) {
    std::string out =
        "{\"Direct\": " + (Routes.Direct ? JsonNumber(*Routes.Direct) : "null") + ", \"Routes\": [";
    for (std::size_t r = 0; r < Routes.Routes.size(); ++r) {
        const TRoute& route = Routes.Routes[r];
        out += r == 0 ? "\n  {\"Via\": [" : ",\n  {\"Via\": [";
        for (std::size_t v = 0; v < route.Via.size(); ++v)
            out += (v == 0 ? "" : ", ") + JsonString(route.Via[v]);
        out += "], \"Rate\": " + JsonNumber(route.Rate) + ", \"Give\": " + JsonNumber(route.Give) +
               ", \"Get\": " + JsonNumber(route.Get) + ", \"Legs\": [";
        for (std::size_t l = 0; l < route.Legs.size(); ++l) {
            const TRouteLeg& leg = route.Legs[l];
            out += (l == 0 ? "\n    {\"EID\": " : ",\n    {\"EID\": ") + std::to_string(leg.EID) +
                   ", \"Exchanger\": " + JsonString(leg.Exchanger) + ", \"From\": " + JsonString(leg.From) +
                   ", \"To\": " + JsonString(leg.To) + ", \"SrcRate\": " + JsonNumber(leg.SrcRate) +
                   ", \"DstRate\": " + JsonNumber(leg.DstRate) + ", \"Reserve\": " + JsonNumber(leg.Reserve) +
                   "}";
        }
        out += "]}";
    }
    out += Routes.Routes.empty() ? "]}\n" : "\n]}\n";
    return out;
}

std::string RoutesCsv(const TRoutes& Routes) {
    std::string out = "Route,Via,Rate,Give,Get,Leg,EID,Exchanger,From,To,SrcRate,DstRate,Reserve\n";
    for (std::size_t r = 0; r < Routes.Routes.size(); ++r) {
        const TRoute& route = Routes.Routes[r];
        const std::string head = std::to_string(r + 1) + "," + CsvField(JoinedVia(route)) + "," +
                                 Number(route.Rate) + "," + Number(route.Give) + "," + Number(route.Get);
        for (std::size_t l = 0; l < route.Legs.size(); ++l) {
            const TRouteLeg& leg = route.Legs[l];
            out += head + "," + std::to_string(l + 1) + "," + std::to_string(leg.EID) + "," +
                   CsvField(leg.Exchanger) + "," + CsvField(leg.From) + "," + CsvField(leg.To) + "," +
                   Number(leg.SrcRate) + "," + Number(leg.DstRate) + "," + Number(leg.Reserve) + "\n";
        }
    }
    return out;
}

std::string RoutesTable(const TRoutes& Routes) {
    std::string out = Routes.Direct ? "Лучший прямой обмен: курс " + Number(*Routes.Direct) + "\n"
                                    : "Прямых предложений нет\n";
    if (Routes.Routes.empty())
        out += "Маршрутов нет\n";
    for (std::size_t r = 0; r < Routes.Routes.size(); ++r) {
        const TRoute& route = Routes.Routes[r];
        out += "\n" + std::to_string(r + 1) + ". Через " + OneLine(JoinedVia(route)) + ": курс " +
               Number(route.Rate);
        if (Routes.Direct)
            out += " (" + RouteGainText(route.Rate, *Routes.Direct) + " к прямому)";
        out += ", отдаёте " + Number(route.Give) + ", получаете " + Number(route.Get) + "\n";
        for (const TRouteLeg& leg : route.Legs)
            out += "   " + OneLine(leg.Exchanger) + ": " + OneLine(leg.From) + " → " + OneLine(leg.To) +
                   ", отдаёте " + Number(leg.SrcRate) + ", получаете " + Number(leg.DstRate) + ", резерв " +
                   Number(leg.Reserve) + "\n";
    }
    return out;
}
