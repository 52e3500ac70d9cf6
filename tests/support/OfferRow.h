#pragma once
// One offer row with the given fields, for tests of what is made of offers.

#include "engine/Offers.h"

#include <optional>
#include <string>

inline TOfferRow OfferRow(int Eid, std::string Name, double Src, double Dst, double Reserve,
                          std::optional<int> Bl = std::nullopt) {
    TOfferRow row;
    row.EID = Eid;
    row.Exchanger = std::move(Name);
    row.SrcRate = Src;
    row.DstRate = Dst;
    row.Reserve = Reserve;
    row.BL = Bl;
    return row;
}
