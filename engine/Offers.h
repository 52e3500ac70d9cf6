#pragma once
// The offer table: which exchangers quote the chosen pair and can serve the amount, and in what order.

#include "engine/Functions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One offer, as the grid shows it.
struct TOfferRow {
    std::int32_t EID = 0;  // exchanger id, not shown
    std::string Exchanger; // UTF-8 of the name as held in the ANSI code page, cut to its first 20 bytes
    // Amounts as ShownAmount gives them: to 4 decimals (the reserve to 2), and 0.0000254 BTC is not 0.
    double SrcRate = 0;             // amount the user gives
    double DstRate = 0;             // amount the user gets
    double Reserve = 0;             // exchanger's reserve in the target currency
    std::optional<std::int32_t> BL; // exchangers column 2 when column 3 is not empty
    // What one unit given buys, unrounded (get / give of the quote), not shown: of offers equal by every
    // sort key the better one comes first, and the best offer of alerts and the history is the highest.
    long double Quote = 0;
};

// The offer table's fields, in row order (also the grid's column order).
enum class TOfferField { EID = 0, Exchanger, SrcRate, DstRate, Reserve, BL };
inline constexpr std::array kOfferFields = {TOfferField::EID,     TOfferField::Exchanger,
                                            TOfferField::SrcRate, TOfferField::DstRate,
                                            TOfferField::Reserve, TOfferField::BL};

// The grid's column title of Field: "Обменник", "Отдаёте", "Получаете", "Резерв", "BL"; empty for the
// hidden EID.
std::string_view OfferFieldTitle(TOfferField Field);
// The field's own name, as CSV and JSON headings carry it: "EID", "Exchanger", "SrcRate", ...
std::string_view OfferFieldName(TOfferField Field);

// One key of a sort order.
struct TSortKey {
    TOfferField Field = TOfferField::SrcRate;
    bool Descending = false;
    bool operator==(const TSortKey&) const = default;
};
// A sort order: the first key decides, later keys break ties; equal rows keep their relative order.
using TSortOrder = std::vector<TSortKey>;

// What the rates tab's controls hold: the selected display names (nullopt: no selection) and the amount
// texts.
struct TOfferControls {
    std::optional<std::string> SrcName;
    std::optional<std::string> DstName;
    std::string SrcAmountText;
    std::string DstAmountText;
};

// Index of the first Exchangers row whose column 0 equals Id exactly; -1 when none.
int ExchangerIndex(const TStringMatrix& Exchangers, std::string_view Id);

// Rounds Value to Decimals decimals: scale, round half to even, multiply by the extended value of
// 10^-Decimals.
long double RoundTo(long double Value, int Decimals);

// The decimals Value is shown with: Least, or more when Least would leave fewer than three significant
// digits (at most 15). Never throws.
int ShownDecimals(long double Value, int Least);

// The decimals an amount is shown with: Decimals, or for a value below one unit of the last of them (which
// Decimals would show as 0 or a single digit) enough for three significant digits: an amount of a coin worth
// millions is not nothing. Never throws.
int AmountDecimals(long double Value, int Decimals);
// Value rounded (RoundTo) to AmountDecimals(Value, Decimals) decimals. Never throws.
long double ShownAmount(long double Value, int Decimals);

// A rate worked out from the offers (get per give, such as the history's) written as the grid writes its
// rates: rounded to four decimals, written as DecimalText writes it. A rate so small that four decimals would
// leave fewer than three significant digits keeps more decimals, just enough for three. Never throws.
std::string GridRateText(double Rate);

// The numbers of a rates row as the offers read them, unrounded: what is given (field 3) and got for it
// (field 4), and the exchanger's reserve (field 5). A field that does not read as a number counts as 1 given,
// 1 got, 0 in reserve.
struct TQuoteNumbers {
    long double Give = 1;
    long double Get = 1;
    long double Reserve = 0;
};
// Those of a rates row's first six fields. Never throws.
TQuoteNumbers ReadQuote(const std::array<std::string_view, 6>& Fields);

// The rates rows that quote one pair, kept for the next fill over the same rates table: a rebuild after the
// names or exchangers arrive, or after an amount is typed, then visits those rows only.
class TQuoteRows final {
  public:
    // Numbers of the rows of Rates with at least six fields whose give and get codes are SrcCode and DstCode,
    // in table order; found again only when the table or a code changed since the last call.
    const std::vector<std::uint32_t>& Of(const TStringMatrix& Rates, std::string_view SrcCode,
                                         std::string_view DstCode);

  private:
    std::optional<std::uint64_t> FGeneration;
    std::string FSrcCode;
    std::string FDstCode;
    std::vector<std::uint32_t> FRows;
};

// Both currency codes of the controls' names (both set), left as they are for a name no row has; the last
// names row with a display name wins, as for a duplicated name.
void FindCodes(const TStringMatrix& Names, const TOfferControls& Controls, std::string& SrcCode,
               std::string& DstCode);

// The offers for the controls, in rates-table order. Empty when either name is not selected or the names
// match no currency. Quotes whose give or get reads as 0 are left out (they would divide by zero), and so are
// quotes whose exchanger id does not fit 32 bits. Never throws beyond allocation.
std::vector<TOfferRow> FillOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                  const TStringMatrix& Exchangers, const TOfferControls& Controls);
// The same, finding the quoting rows through Quotes.
std::vector<TOfferRow> FillOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                  const TStringMatrix& Exchangers, const TOfferControls& Controls,
                                  TQuoteRows& Quotes);

// What an empty offer grid tells the user: to pick both currencies while one is missing, that the rates are
// still to come while a table is empty (or, RatesCameEmpty, that the rates feed answered without a record),
// else that no exchanger serves the pair for the amount.
std::string EmptyOffersHint(const TStringMatrix& Rates, const TStringMatrix& Names,
                            const TStringMatrix& Exchangers, const TOfferControls& Controls,
                            bool RatesCameEmpty = false);

// True when a rebuild may run: all three tables have rows and both currencies are selected.
bool CanRebuildOffers(const TStringMatrix& Rates, const TStringMatrix& Names, const TStringMatrix& Exchangers,
                      const TOfferControls& Controls);

// The currencies offers were computed for: the display names given and received.
struct TOfferPair {
    std::string Src;
    std::string Dst;
    bool operator==(const TOfferPair&) const = default;
};

// Whether offers computed for Shown may stay on screen when a rebuild cannot run under Controls. They stay
// while no other pair is chosen: the last offers of the pair asked about, or of the last pair when none is
// chosen. Offers of another pair than the one chosen would answer a question the user did not ask. Never
// throws.
bool ShownOffersStay(const std::optional<TOfferPair>& Shown, const TOfferControls& Controls);

// The order an amount edit chooses, the amounts read by AmountValue as the offers are: a target amount above
// 0 gives SrcRate ascending; else a source amount above 0 gives DstRate descending; else nullopt (leave the
// order as it is).
std::optional<TSortKey> AmountOrder(std::string_view SrcAmountText, std::string_view DstAmountText);

// The order a rebuild sets when no amount gives one: SrcRate ascending.
inline const TSortKey kDefaultOrder{TOfferField::SrcRate, false};

// The order a rebuild after a pick of a currency or a swap sets: the amounts' order (AmountOrder of
// Controls), so that the best offer for a typed amount stays on top, else kDefaultOrder. Never throws beyond
// allocation.
TSortOrder PickRebuildOrder(const TOfferControls& Controls);

// The order a rebuild after a feed leaves, so that a refresh never loses the order under the user: the user's
// own sort while it stands (UserOrder, empty when none), else the amounts' order (AmountOrder of Controls),
// else kDefaultOrder. Never throws beyond allocation.
TSortOrder FeedRebuildOrder(const TSortOrder& UserOrder, const TOfferControls& Controls);

// The offers for Controls as a rebuild of the rates tab leaves them: FillOffers's rows in kDefaultOrder.
// Never throws beyond allocation.
std::vector<TOfferRow> RebuiltOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                     const TStringMatrix& Exchangers, const TOfferControls& Controls);
std::vector<TOfferRow> RebuiltOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                     const TStringMatrix& Exchangers, const TOfferControls& Controls,
                                     TQuoteRows& Quotes);

// The offers for Controls as the rates tab shows them once its amounts are typed: RebuiltOffers, then sorted
// stably by AmountOrder's key when the amounts give one (equal keys stay in kDefaultOrder), as the amount
// fields re-sort the grid. Never throws beyond allocation.
std::vector<TOfferRow> TabOffers(const TStringMatrix& Rates, const TStringMatrix& Names,
                                 const TStringMatrix& Exchangers, const TOfferControls& Controls);

// Stable sort of Rows by Order: numbers compare numerically; the name case-insensitively for Latin and
// Cyrillic (Ё as Е, as AnsiLowerCase folds), ties then by its bytes; a null BL comes before any number. Never
// throws beyond allocation.
void SortOffers(std::vector<TOfferRow>& Rows, const TSortOrder& Order);

// The text a grid cell shows for a field: numbers in general format, BL empty when null.
std::string OfferCellText(const TOfferRow& Row, TOfferField Field);
