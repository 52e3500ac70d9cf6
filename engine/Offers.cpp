#include "engine/Offers.h"
#include "engine/AmountInput.h"
#include "engine/ExchangerLookup.h"
#include "engine/Text.h"

#include <algorithm>
#include <cmath>

namespace {

// 10^Decimals, exact for the small powers used here.
long double PowerOfTen(int Decimals) {
    long double power = 1;
    for (int i = 0; i < Decimals; ++i) {
        power *= 10;
    }
    return power;
}

} // namespace

void FindCodes(const TStringMatrix& Names, const TOfferControls& Controls, std::string& SrcCode,
               std::string& DstCode) {
    for (const TStringRow row : Names) {
        if (row.size() < 2) {
            continue;
        }
        if (row[1] == *Controls.SrcName) {
            SrcCode = row[0];
        }
        if (row[1] == *Controls.DstName) {
            DstCode = row[0];
        }
    }
}

int ExchangerIndex(const TStringMatrix& Exchangers, std::string_view Id) {
    for (std::size_t i = 0; i < Exchangers.size(); ++i) {
        if (!Exchangers[i].empty() && Exchangers[i][0] == Id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

long double RoundTo(long double Value, int Decimals) {
    if (Decimals < 0) {
        const long double power = PowerOfTen(-Decimals);
        return nearbyintl(Value / power) * power;
    }
    const long double power = PowerOfTen(Decimals);
    // 1/power is the extended value nearest to 10^-Decimals, since power itself is exact.
    return nearbyintl(Value * power) * (1.0L / power);
}

int ShownDecimals(long double Value, int Least) {
    if (!std::isfinite(Value) || Value == 0) {
        return Least;
    }
    constexpr int kLeastDigits = 3;
    // floor(log10) is the place of the first significant digit; 15 digits are all a double tells.
    const int first = static_cast<int>(std::floor(std::log10(std::abs(Value))));
    return std::clamp(kLeastDigits - 1 - first, Least, 15);
}

int AmountDecimals(long double Value, int Decimals) {
    // Below one unit of the last decimal, Decimals would keep one significant digit at most, or none.
    const bool small = Value != 0 && std::fabs(Value) * PowerOfTen(Decimals) < 1;
    return small ? ShownDecimals(Value, Decimals) : Decimals;
}

long double ShownAmount(long double Value, int Decimals) {
    return RoundTo(Value, AmountDecimals(Value, Decimals));
}

std::string GridRateText(double Rate) {
    return DecimalText(static_cast<double>(RoundTo(Rate, ShownDecimals(Rate, 4))));
}

TQuoteNumbers ReadQuote(const std::array<std::string_view, 6>& Fields) {
    return {ParseDecimal(Fields[3]).value_or(1), ParseDecimal(Fields[4]).value_or(1),
            ParseDecimal(Fields[5]).value_or(0)};
}

const std::vector<std::uint32_t>& TQuoteRows::Of(const TStringMatrix& Rates, std::string_view SrcCode,
                                                 std::string_view DstCode) {
    if (FGeneration == Rates.Generation() && FSrcCode == SrcCode && FDstCode == DstCode) {
        return FRows;
    }
    FGeneration.reset(); // until the rows are found whole
    FRows.clear();
    FSrcCode = SrcCode;
    FDstCode = DstCode;
    for (std::size_t i = 0; i < Rates.size(); ++i) {
        const TStringRow quote = Rates[i];
        if (quote.size() < 6) {
            continue;
        }
        const auto [id, src, dst] = quote.First<3>();
        // Both lengths come from the row's record; the text is read only when both match.
        if (src.size() == SrcCode.size() && dst.size() == DstCode.size() && src == SrcCode &&
            dst == DstCode) {
            FRows.push_back(static_cast<std::uint32_t>(i));
        }
    }
    FGeneration = Rates.Generation();
    return FRows;
}

std::vector<TOfferRow> FillOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                  const TStringMatrix& Exchangers, const TOfferControls& Controls) {
    TQuoteRows quotes;
    return FillOffers(Rates, Names, Exchangers, Controls, quotes);
}

std::vector<TOfferRow> FillOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                  const TStringMatrix& Exchangers, const TOfferControls& Controls,
                                  TQuoteRows& Quotes) {
    std::vector<TOfferRow> offers;
    if (!Controls.SrcName || !Controls.DstName) {
        return offers;
    }
    const long double srcAmount = AmountValue(Controls.SrcAmountText);
    const long double dstAmount = AmountValue(Controls.DstAmountText);
    std::string srcCode;
    std::string dstCode;
    FindCodes(Names, Controls, srcCode, dstCode);
    TExchangerLookup lookup(Exchangers);

    for (const std::uint32_t at : Quotes.Of(Rates, srcCode, dstCode)) {
        // Every quoting row has at least six fields; one walk of its record finds them.
        const std::array<std::string_view, 6> quote = Rates[at].First<6>();
        const std::string_view id = quote[0];
        const TQuoteNumbers numbers = ReadQuote(quote);
        long double give = numbers.Give;
        long double get = numbers.Get;
        const long double reserve = numbers.Reserve;
        // Either one 0 makes the rate or an amount computed from it a division by zero.
        if (give == 0 || get == 0) {
            continue;
        }
        const long double rate = give / get;
        if (srcAmount > 0) {
            give = srcAmount;
            get = srcAmount / rate;
            if (reserve < get) {
                continue;
            }
        }
        if (dstAmount > 0) {
            get = dstAmount;
            give = dstAmount * rate;
            if (reserve < dstAmount) {
                continue;
            }
        }
        const int index = lookup.Find(id);
        if (index < 0) {
            continue;
        }
        const TStringRow exchanger = Exchangers[static_cast<std::size_t>(index)];
        if (exchanger.size() < 4) {
            continue;
        }
        // An id beyond 32 bits cannot be stored, and its page could not be opened: the offer is dropped.
        const std::optional<std::int32_t> eid = ParseInt32(exchanger[0]);
        if (!eid) {
            continue;
        }
        TOfferRow& row = offers.emplace_back();
        row.EID = *eid;
        row.Exchanger = lookup.Name(index);
        row.SrcRate = static_cast<double>(ShownAmount(give, 4));
        row.DstRate = static_cast<double>(ShownAmount(get, 4));
        row.Reserve = static_cast<double>(ShownAmount(reserve, 2));
        row.Quote = numbers.Get / numbers.Give;
        if (!exchanger[3].empty()) {
            row.BL = ParseInt32(exchanger[2]);
        }
    }
    return offers;
}

bool CanRebuildOffers(const TStringMatrix& Rates, const TStringMatrix& Names, const TStringMatrix& Exchangers,
                      const TOfferControls& Controls) {
    return !Rates.empty() && !Names.empty() && !Exchangers.empty() && Controls.SrcName.has_value() &&
           Controls.DstName.has_value();
}

bool ShownOffersStay(const std::optional<TOfferPair>& Shown, const TOfferControls& Controls) {
    if (!Shown || !Controls.SrcName || !Controls.DstName) {
        return true;
    }
    return Shown->Src == *Controls.SrcName && Shown->Dst == *Controls.DstName;
}

std::string EmptyOffersHint(const TStringMatrix& Rates, const TStringMatrix& Names,
                            const TStringMatrix& Exchangers, const TOfferControls& Controls,
                            bool RatesCameEmpty) {
    if (!Controls.SrcName || !Controls.DstName)
        return "Выберите, что отдаёте и что получаете";
    if (Rates.empty() && RatesCameEmpty)
        return "Сервер прислал курсы без записей";
    if (Rates.empty() || Names.empty() || Exchangers.empty())
        return "Курсы ещё не загружены";
    return "Нет предложений для этой пары и суммы";
}
