#include "engine/StringMatrix.h"

#include "text/Prefault.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::size_t kOffsetLimit = std::numeric_limits<std::uint32_t>::max();
// Most bytes one written number takes (a number below 2^35).
constexpr std::size_t kMaxNumberBytes = 5;
// How far ahead of the rows written the room's pages are mapped in, with one request: the room of a table
// sized in advance may never be filled, and pages not written should not be taken.
constexpr std::size_t kMapAheadBytes = 256 * 1024;

// Writes Value in groups of 7 bits, lowest first, the top bit set on every byte but the last; gives the end.
unsigned char* PutNumber(unsigned char* Out, std::size_t Value) {
    while (Value >= 0x80) {
        *Out++ = static_cast<unsigned char>(Value | 0x80);
        Value >>= 7;
    }
    *Out++ = static_cast<unsigned char>(Value);
    return Out;
}

void CheckOffset(std::size_t Offset) {
    if (Offset > kOffsetLimit) {
        throw std::length_error("a table's rows must lie within its first 4 GiB");
    }
}

} // namespace

using RowRecord::FieldAt;
using RowRecord::GetNumber;

const std::string_view TStringRow::operator[](std::size_t Column) const {
    const unsigned char* at = FFields;
    std::size_t nextStart = FBase;
    for (std::size_t i = 0; i < Column; ++i) {
        FieldAt(FText, FBase, at, nextStart);
    }
    return FieldAt(FText, FBase, at, nextStart);
}

TStringArray TStringRow::ToArray() const {
    return TStringArray(begin(), end());
}

bool operator==(const TStringRow& A, const TStringRow& B) {
    return std::equal(A.begin(), A.end(), B.begin(), B.end());
}

bool operator==(const TStringRow& A, const TStringArray& B) {
    return std::equal(A.begin(), A.end(), B.begin(), B.end());
}

TRowIndex::TRowIndex(const TRowIndex& Other)
    : FRecordCount(Other.FRecordCount), FRecordCapacity(Other.FRecordCount),
      FRecordsMapped(Other.FRecordCount), FUnusedRecordBytes(Other.FUnusedRecordBytes), FRows(Other.FRows),
      FRowsMapped(FRows.size()), FSpanBytes(Other.FSpanBytes) {
    if (FRecordCount > 0) {
        FRecords = std::make_unique_for_overwrite<unsigned char[]>(FRecordCount);
        std::memcpy(FRecords.get(), Other.FRecords.get(), FRecordCount);
    }
    if (Other.FLater) {
        FLater = std::make_unique<TRowIndex>(*Other.FLater);
    }
}

TRowIndex::TRowIndex(TRowIndex&& Other) noexcept
    : FRecords(std::move(Other.FRecords)), FRecordCount(std::exchange(Other.FRecordCount, 0)),
      FRecordCapacity(std::exchange(Other.FRecordCapacity, 0)),
      FRecordsMapped(std::exchange(Other.FRecordsMapped, 0)),
      FUnusedRecordBytes(std::exchange(Other.FUnusedRecordBytes, 0)), FRows(std::move(Other.FRows)),
      FRowsMapped(std::exchange(Other.FRowsMapped, 0)), FSpanBytes(std::exchange(Other.FSpanBytes, 0)),
      FLater(std::move(Other.FLater)) {
    Other.FRows.clear();
}

TRowIndex& TRowIndex::operator=(const TRowIndex& Other) {
    if (this != &Other) {
        *this = TRowIndex(Other);
    }
    return *this;
}

TRowIndex& TRowIndex::operator=(TRowIndex&& Other) noexcept {
    if (this != &Other) {
        FRecords = std::move(Other.FRecords);
        FRecordCount = std::exchange(Other.FRecordCount, 0);
        FRecordCapacity = std::exchange(Other.FRecordCapacity, 0);
        FRecordsMapped = std::exchange(Other.FRecordsMapped, 0);
        FUnusedRecordBytes = std::exchange(Other.FUnusedRecordBytes, 0);
        FRows = std::move(Other.FRows);
        FRowsMapped = std::exchange(Other.FRowsMapped, 0);
        FSpanBytes = std::exchange(Other.FSpanBytes, 0);
        FLater = std::move(Other.FLater);
        Other.FRows.clear();
    }
    return *this;
}

void TRowIndex::AddRow(const std::size_t* Pairs, std::size_t Count) {
    if (FLater) {
        FLater->AddRow(Pairs, Count); // rows go after the last ones
        return;
    }
    // The row's fields are given from its first byte of text on, so that its span can be moved whole.
    std::size_t base = kNoField;
    std::size_t spanEnd = 0;
    for (std::size_t i = 0; i < Count; ++i) {
        const std::size_t start = Pairs[2 * i];
        if (start != kNoField) {
            base = std::min(base, start);
            spanEnd = std::max(spanEnd, std::max(start, Pairs[2 * i + 1]));
        }
    }
    if (base == kNoField) {
        base = spanEnd = 0;
    }
    CheckOffset(FRecordCount);
    CheckOffset(base);
    Room(kMaxNumberBytes * (1 + 2 * Count));
    if (FRows.size() == FRows.capacity()) {
        FRows.reserve(std::max<std::size_t>(16, 2 * FRows.capacity()));
        MapRowsAhead();
    } else if (FRows.size() >= FRowsMapped) {
        MapRowsAhead();
    }
    FRows.push_back({static_cast<std::uint32_t>(FRecordCount), static_cast<std::uint32_t>(base)});
    FSpanBytes += spanEnd - base;

    // Most fields follow the one before and are shorter than 64 bytes: one byte each.
    unsigned char* out = PutNumber(FRecords.get() + FRecordCount, Count);
    std::size_t nextStart = base;
    for (std::size_t i = 0; i < Count; ++i) {
        const std::size_t start = Pairs[2 * i];
        const std::size_t end = Pairs[2 * i + 1];
        const std::size_t size = start == kNoField || end < start ? 0 : end - start;
        if (start == kNoField || start == nextStart) {
            if (size < 0x40) {
                *out++ = static_cast<unsigned char>(size << 1);
            } else {
                out = PutNumber(out, size << 1);
            }
            nextStart += size + 1;
        } else {
            out = PutNumber(PutNumber(out, (size << 1) | 1), start - base);
            nextStart = start + size + 1;
        }
    }
    FRecordCount = static_cast<std::size_t>(out - FRecords.get());
}

void TRowIndex::Append(TRowIndex&& Later, std::size_t From, std::string_view Text) {
    if (From >= Later.size()) {
        return;
    }
    if (FLater) {
        FLater->Append(std::move(Later), From, Text);
        return;
    }
    // The rows before From are already these rows' last ones: they go from Later, their records left unused.
    for (std::size_t row = 0; row < From; ++row) {
        Later.FSpanBytes -= Later.Span(row, Text).size();
    }
    Later.FUnusedRecordBytes = Later.FRows[From].RecordAt;
    Later.FRows.erase(Later.FRows.begin(), Later.FRows.begin() + static_cast<std::ptrdiff_t>(From));
    FLater = std::make_unique<TRowIndex>(std::move(Later));
}

std::string_view TRowIndex::Span(std::size_t Row, std::string_view Text) const {
    const auto [record, base] = RowAt(Row);
    std::size_t end = base;
    const TStringRow fields(Text.data(), record, base);
    for (const std::string_view field : fields) {
        if (!field.empty()) {
            end = std::max(end, static_cast<std::size_t>(field.data() - Text.data()) + field.size());
        }
    }
    return Text.substr(base, end - base);
}

void TRowIndex::Grow(std::size_t Bytes) {
    const std::size_t capacity = std::max(FRecordCount + Bytes, FRecordCapacity + FRecordCapacity / 2);
    auto records = std::make_unique_for_overwrite<unsigned char[]>(capacity);
    // What is copied now and the next rows' room are written at once.
    FRecordsMapped = std::min(capacity, FRecordCount + kMapAheadBytes);
    PrefaultForWriting(records.get(), FRecordsMapped);
    if (FRecordCount > 0) {
        std::memcpy(records.get(), FRecords.get(), FRecordCount);
    }
    FRecords = std::move(records);
    FRecordCapacity = capacity;
}

void TRowIndex::MapRecordsAhead(std::size_t Bytes) {
    const std::size_t to = std::min(FRecordCapacity, FRecordCount + std::max(Bytes, kMapAheadBytes));
    PrefaultForWriting(FRecords.get() + FRecordsMapped, to - FRecordsMapped);
    FRecordsMapped = to;
}

void TRowIndex::MapRowsAhead() {
    const std::size_t to = std::min(FRows.capacity(), FRows.size() + kMapAheadBytes / sizeof(TRowNote));
    PrefaultForWriting(FRows.data() + FRows.size(), sizeof(TRowNote) * (to - FRows.size()));
    FRowsMapped = to;
}

void TRowIndex::ReserveScaled(double Factor) {
    if (Factor <= 1) {
        return;
    }
    const auto more = [Factor](std::size_t Now) {
        return static_cast<std::size_t>(static_cast<double>(Now) * (Factor - 1));
    };
    // Room only: its pages are mapped in as the rows come near them (Room), as the estimate may be high.
    const std::size_t records = more(FRecordCount);
    if (FRecordCapacity - FRecordCount < records) {
        Grow(records);
    }
    FRows.reserve(FRows.size() + more(FRows.size()));
    MapRowsAhead();
}

TStringMatrix::TStringMatrix(std::initializer_list<TStringArray> Rows) {
    for (const TStringArray& row : Rows) {
        push_back(row);
    }
}

TStringMatrix::TStringMatrix(std::size_t Count, const TStringArray& Row) {
    for (std::size_t i = 0; i < Count; ++i) {
        push_back(Row);
    }
}

TStringMatrix::TStringMatrix(std::string Text, TRowIndex Index)
    : FIndex(std::make_shared<TRowIndex>(std::move(Index))) {
    // Rows that cover little of a long text would keep all of it: then they are worth copying out.
    if (FIndex->SpanBytes() < Text.size() / 2) {
        CopySpans(Text);
    } else {
        FText = std::move(Text);
    }
}

TStringMatrix::TStringMatrix(std::string_view Text, TRowIndex Index)
    : FIndex(std::make_shared<TRowIndex>(std::move(Index))) {
    if (FIndex->SpanBytes() < Text.size() / 2) {
        CopySpans(Text);
    } else {
        FText = Text;
    }
}

TStringMatrix::TStringMatrix(TSharedText Text, TRowIndex Index)
    : FIndex(std::make_shared<TRowIndex>(std::move(Index))) {
    if (FIndex->SpanBytes() < Text.Bytes().size() / 2) {
        CopySpans(Text.Bytes());
    } else if (Text) {
        FShared = std::move(Text);
    }
}

void TStringMatrix::CopySpans(std::string_view Text) {
    TRowIndex& index = OwnIndex();
    FText.clear();
    FText.reserve(index.SpanBytes());
    for (std::size_t row = 0; row < index.size(); ++row) {
        const std::string_view span = index.Span(row, Text);
        CheckOffset(FText.size());
        index.NoteAt(row).TextAt = static_cast<std::uint32_t>(FText.size());
        FText.append(span);
    }
    index.SetSpanBytes(FText.size());
}

const TRowIndex& TStringMatrix::Index() const {
    static const TRowIndex none;
    return FIndex ? *FIndex : none;
}

TRowIndex& TStringMatrix::OwnIndex() {
    // Only this thread can make a new copy of this table, so a count of one stays one until it returns.
    if (!FIndex) {
        FIndex = std::make_shared<TRowIndex>();
    } else if (FIndex.use_count() > 1) {
        FIndex = std::make_shared<TRowIndex>(*FIndex);
    }
    return *FIndex;
}

std::uint64_t TTableGeneration::Next() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void TStringMatrix::push_back(const TStringArray& Row) {
    const std::vector<std::string_view> fields(Row.begin(), Row.end());
    AppendRow(fields);
}

void TStringMatrix::AppendRow(std::span<const std::string_view> Fields) {
    FGeneration.Renew();
    if (FShared) {
        FText = FShared.Bytes(); // the shared text stays as others see it
        FShared = {};
    }
    // The fields go after the text, one byte apart, as a row cut from it would lie.
    std::vector<std::size_t> pairs;
    pairs.reserve(2 * Fields.size());
    for (const std::string_view field : Fields) {
        if (!pairs.empty()) {
            FText += '\0';
        }
        pairs.push_back(FText.size());
        FText += field;
        pairs.push_back(FText.size());
    }
    OwnIndex().AddRow(pairs.data(), Fields.size());
}

void TStringMatrix::clear() {
    *this = TStringMatrix();
}

bool operator==(const TStringMatrix& A, const TStringMatrix& B) {
    return std::equal(A.begin(), A.end(), B.begin(), B.end());
}
