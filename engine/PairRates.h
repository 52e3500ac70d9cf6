#pragma once
// The rates rows of one pair, cut from a rates body a piece at a time.

#include "engine/Protocol.h"
#include "engine/StringMatrix.h"

#include <cstddef>
#include <string>
#include <string_view>

// Keeps, of a rates body given in pieces of whole lines, the rows TQuoteRows::Of finds for SrcCode -> DstCode
// in the table of the whole body, in the same order: no match of the rates pattern crosses a line end, so the
// lines cut piece by piece give the rows the whole body gives. Only the pair's rows are kept, so a large body
// need never be held whole.
class TPairRatesCut final {
  public:
    TPairRatesCut(std::string SrcCode, std::string DstCode, std::size_t Budget = kFeedTableBudget);

    // Cuts the next piece: whole lines, the first piece beginning the body (the last may lack its line end).
    // Throws ETableTooLarge(Budget) as soon as the table of the body so far would need more than Budget
    // bytes, as the table of the whole body would.
    void Add(std::string_view Lines);
    // The pair's rows so far, in body order, their fields copied.
    const TStringMatrix& Rows() const { return FRows; }
    // How many rows the table of the body so far has, of every pair: none when the body held no records.
    std::size_t AllRows() const { return FAllRows; }

  private:
    std::string FSrcCode;
    std::string FDstCode;
    std::size_t FBudget;
    std::size_t FUsed = 0; // what the rows of the pieces so far need, all of them
    std::size_t FAllRows = 0;
    TStringMatrix FRows;
};
