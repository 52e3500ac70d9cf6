#include "engine/AmountInput.h"
#include "engine/Offers.h"
#include "engine/Text.h"

#include <algorithm>
#include <numeric>

namespace {

// The name as a user orders it: case folded, and ё beside е rather than after я.
std::string NameKey(const std::string& Name) {
    std::string key = AnsiLowerCase(Name);
    for (std::size_t pos = key.find("\xD1\x91"); pos != std::string::npos; pos = key.find("\xD1\x91", pos)) {
        key.replace(pos, 2, "\xD0\xB5");
    }
    return key;
}

template <typename T> int Compare(const T& A, const T& B) {
    return A < B ? -1 : (B < A ? 1 : 0);
}

int CompareBL(const std::optional<std::int32_t>& A, const std::optional<std::int32_t>& B) {
    if (A.has_value() != B.has_value()) {
        return A.has_value() ? 1 : -1;
    }
    return A ? Compare(*A, *B) : 0;
}

} // namespace

std::optional<TSortKey> AmountOrder(std::string_view SrcAmountText, std::string_view DstAmountText) {
    // The same numbers the offers are computed for: an amount that selects offers also orders them.
    if (AmountValue(DstAmountText) > 0) {
        return TSortKey{TOfferField::SrcRate, false};
    }
    if (AmountValue(SrcAmountText) > 0) {
        return TSortKey{TOfferField::DstRate, true};
    }
    return std::nullopt;
}

TSortOrder PickRebuildOrder(const TOfferControls& Controls) {
    if (const std::optional<TSortKey> key = AmountOrder(Controls.SrcAmountText, Controls.DstAmountText)) {
        return {*key};
    }
    return {kDefaultOrder};
}

TSortOrder FeedRebuildOrder(const TSortOrder& UserOrder, const TOfferControls& Controls) {
    return UserOrder.empty() ? PickRebuildOrder(Controls) : UserOrder;
}

std::vector<TOfferRow> RebuiltOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                     const TStringMatrix& Exchangers, const TOfferControls& Controls) {
    TQuoteRows quotes;
    return RebuiltOffers(Rates, Names, Exchangers, Controls, quotes);
}

std::vector<TOfferRow> RebuiltOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                     const TStringMatrix& Exchangers, const TOfferControls& Controls,
                                     TQuoteRows& Quotes) {
    std::vector<TOfferRow> rows = FillOffers(Rates, Names, Exchangers, Controls, Quotes);
    SortOffers(rows, {kDefaultOrder});
    return rows;
}

std::vector<TOfferRow> TabOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                 const TStringMatrix& Exchangers, const TOfferControls& Controls) {
    std::vector<TOfferRow> rows = RebuiltOffers(Rates, Names, Exchangers, Controls);
    if (const std::optional<TSortKey> key = AmountOrder(Controls.SrcAmountText, Controls.DstAmountText)) {
        SortOffers(rows, {*key});
    }
    return rows;
}

namespace {

// Each field's column title and own name, in field order.
struct TFieldTexts {
    std::string_view Title;
    std::string_view Name;
};
constexpr std::array<TFieldTexts, kOfferFields.size()> kFieldTexts = {{{"", "EID"},
                                                                       {"Обменник", "Exchanger"},
                                                                       {"Отдаёте", "SrcRate"},
                                                                       {"Получаете", "DstRate"},
                                                                       {"Резерв", "Reserve"},
                                                                       {"BL", "BL"}}};

TFieldTexts FieldTexts(TOfferField Field) {
    const auto index = static_cast<std::size_t>(Field);
    return index < kFieldTexts.size() ? kFieldTexts[index] : TFieldTexts{};
}

} // namespace

std::string_view OfferFieldTitle(TOfferField Field) {
    return FieldTexts(Field).Title;
}

std::string_view OfferFieldName(TOfferField Field) {
    return FieldTexts(Field).Name;
}

void SortOffers(std::vector<TOfferRow>& Rows, const TSortOrder& Order) {
    if (Order.empty() || Rows.size() < 2) {
        return;
    }
    // Folding a name is not cheap; do it once per row, not once per comparison.
    std::vector<std::string> nameKeys;
    const bool byName = std::any_of(Order.begin(), Order.end(),
                                    [](const TSortKey& key) { return key.Field == TOfferField::Exchanger; });
    if (byName) {
        nameKeys.reserve(Rows.size());
        for (const TOfferRow& row : Rows) {
            nameKeys.push_back(NameKey(row.Exchanger));
        }
    }
    const auto compareField = [&](std::size_t a, std::size_t b, TOfferField field) {
        const TOfferRow& x = Rows[a];
        const TOfferRow& y = Rows[b];
        switch (field) {
        case TOfferField::EID:
            return Compare(x.EID, y.EID);
        case TOfferField::Exchanger: {
            const int folded = nameKeys[a].compare(nameKeys[b]);
            if (folded != 0) {
                return folded < 0 ? -1 : 1;
            }
            return Compare(x.Exchanger, y.Exchanger);
        }
        case TOfferField::SrcRate:
            return Compare(x.SrcRate, y.SrcRate);
        case TOfferField::DstRate:
            return Compare(x.DstRate, y.DstRate);
        case TOfferField::Reserve:
            return Compare(x.Reserve, y.Reserve);
        case TOfferField::BL:
            return CompareBL(x.BL, y.BL);
        }
        return 0;
    };
    std::vector<std::size_t> order(Rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        for (const TSortKey& key : Order) {
            const int c = compareField(a, b, key.Field);
            if (c != 0) {
                return key.Descending ? c > 0 : c < 0;
            }
        }
        // Rows equal by every key the user or the amounts chose (every quote "1 BTC for ..." gives 1): the
        // better quote first, whatever the keys' directions.
        return Rows[a].Quote > Rows[b].Quote;
    });
    std::vector<TOfferRow> sorted;
    sorted.reserve(Rows.size());
    for (const std::size_t index : order) {
        sorted.push_back(std::move(Rows[index]));
    }
    Rows = std::move(sorted);
}

std::string OfferCellText(const TOfferRow& Row, TOfferField Field) {
    switch (Field) {
    case TOfferField::EID:
        return std::to_string(Row.EID);
    case TOfferField::Exchanger:
        return Row.Exchanger;
    case TOfferField::SrcRate:
        return DecimalText(Row.SrcRate);
    case TOfferField::DstRate:
        return DecimalText(Row.DstRate);
    case TOfferField::Reserve:
        return DecimalText(Row.Reserve);
    case TOfferField::BL:
        return Row.BL ? std::to_string(*Row.BL) : std::string();
    }
    return {};
}
