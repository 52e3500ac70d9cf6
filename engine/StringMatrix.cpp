#include "engine/StringMatrix.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::size_t kOffsetLimit = std::numeric_limits<std::uint32_t>::max();
// Most bytes one written length takes (a length below 2^35).
constexpr std::size_t kMaxLengthBytes = 5;
// Fields up to this long are copied as one block of this size, which the block of records keeps room for.
constexpr std::size_t kCopyBlock = 16;

// Writes Value in groups of 7 bits, lowest first, the top bit set on every byte but the last; gives the end.
unsigned char* PutLength(unsigned char* Out, std::size_t Value) {
    while (Value >= 0x80) {
        *Out++ = static_cast<unsigned char>(Value | 0x80);
        Value >>= 7;
    }
    *Out++ = static_cast<unsigned char>(Value);
    return Out;
}

// Reads a length PutLength wrote at In and moves In past it.
std::size_t GetLength(const unsigned char*& In) {
    std::size_t value = 0;
    unsigned shift = 0;
    unsigned char byte = 0;
    do {
        byte = *In++;
        value |= static_cast<std::size_t>(byte & 0x7F) << shift;
        shift += 7;
    } while (byte & 0x80);
    return value;
}

std::string_view FieldAt(const unsigned char*& In) {
    const std::size_t length = GetLength(In);
    const std::string_view field(reinterpret_cast<const char*>(In), length);
    In += length;
    return field;
}

} // namespace

void TStringRow::const_iterator::Load() {
    if (FLeft > 0) {
        FField = FieldAt(FNext);
    }
}

TStringRow::TStringRow(const unsigned char* Record) {
    FCount = GetLength(Record);
    FFields = Record;
}

const std::string_view TStringRow::operator[](std::size_t Column) const {
    const unsigned char* at = FFields;
    for (std::size_t i = 0; i < Column; ++i) {
        at += GetLength(at);
    }
    return FieldAt(at);
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

TStringMatrix::TStringMatrix(const TStringMatrix& Other)
    : FByteCount(Other.FByteCount), FByteCapacity(Other.FByteCount), FRowStart(Other.FRowStart) {
    if (FByteCount > 0) {
        FBytes = std::make_unique_for_overwrite<unsigned char[]>(FByteCount);
        std::memcpy(FBytes.get(), Other.FBytes.get(), FByteCount);
    }
}

TStringMatrix::TStringMatrix(TStringMatrix&& Other) noexcept
    : FBytes(std::move(Other.FBytes)), FByteCount(std::exchange(Other.FByteCount, 0)),
      FByteCapacity(std::exchange(Other.FByteCapacity, 0)), FRowStart(std::move(Other.FRowStart)) {
    Other.FRowStart.clear();
}

TStringMatrix& TStringMatrix::operator=(const TStringMatrix& Other) {
    if (this != &Other) {
        *this = TStringMatrix(Other);
    }
    return *this;
}

TStringMatrix& TStringMatrix::operator=(TStringMatrix&& Other) noexcept {
    if (this != &Other) {
        FBytes = std::move(Other.FBytes);
        FByteCount = std::exchange(Other.FByteCount, 0);
        FByteCapacity = std::exchange(Other.FByteCapacity, 0);
        FRowStart = std::move(Other.FRowStart);
        Other.FRowStart.clear();
    }
    return *this;
}

void TStringMatrix::push_back(const TStringArray& Row) {
    const std::vector<std::string_view> fields(Row.begin(), Row.end());
    AppendRow(fields);
}

void TStringMatrix::AppendRow(std::span<const std::string_view> Fields) {
    unsigned char* out = PutLength(StartRow(), Fields.size());
    for (const std::string_view field : Fields) {
        out = PutLength(Room(out, kMaxLengthBytes + field.size()), field.size());
        if (!field.empty()) {
            std::memcpy(out, field.data(), field.size());
            out += field.size();
        }
    }
    EndRow(out);
}

void TStringMatrix::AppendRow(std::string_view Source, const std::size_t* Pairs, std::size_t Count) {
    unsigned char* out = PutLength(StartRow(), Count);
    for (std::size_t i = 0; i < Count; ++i) {
        const std::size_t start = Pairs[2 * i];
        const std::size_t end = Pairs[2 * i + 1];
        const std::size_t size = start == kNoField || end < start ? 0 : end - start;
        out = PutLength(Room(out, kMaxLengthBytes + size + kCopyBlock), size);
        if (size > 0) {
            // Fields are mostly short: copying a fixed block (Room keeps space for it) is cheaper than a call
            // per field. The block may read past the field, never past Source.
            if (size <= kCopyBlock && start + kCopyBlock <= Source.size()) {
                std::memcpy(out, Source.data() + start, kCopyBlock);
            } else {
                std::memcpy(out, Source.data() + start, size);
            }
            out += size;
        }
    }
    EndRow(out);
}

void TStringMatrix::AppendRows(const TStringMatrix& Other, std::size_t From) {
    if (From >= Other.size()) {
        return;
    }
    // The records go over as one piece; only their offsets move.
    const std::size_t first = Other.FRowStart[From];
    const std::size_t bytes = Other.FByteCount - first;
    if (FByteCount + (Other.FRowStart.back() - first) > kOffsetLimit) {
        throw std::length_error("a table may hold at most 4 GiB");
    }
    unsigned char* out = Room(FBytes.get() + FByteCount, bytes);
    std::memcpy(out, Other.FBytes.get() + first, bytes);
    const std::size_t base = FByteCount;
    for (std::size_t row = From; row < Other.size(); ++row) {
        FRowStart.push_back(static_cast<std::uint32_t>(base + Other.FRowStart[row] - first));
    }
    FByteCount += bytes;
}

unsigned char* TStringMatrix::StartRow() {
    if (FByteCount > kOffsetLimit) {
        throw std::length_error("a table may hold at most 4 GiB");
    }
    FRowStart.push_back(static_cast<std::uint32_t>(FByteCount));
    return Room(FBytes.get() + FByteCount, kMaxLengthBytes);
}

unsigned char* TStringMatrix::Room(unsigned char* Out, std::size_t Bytes) {
    const auto used = static_cast<std::size_t>(Out - FBytes.get());
    if (FByteCapacity - used < Bytes) {
        GrowBytes(used, Bytes);
    }
    return FBytes.get() + used;
}

void TStringMatrix::EndRow(const unsigned char* Out) {
    FByteCount = static_cast<std::size_t>(Out - FBytes.get());
}

void TStringMatrix::GrowBytes(std::size_t Used, std::size_t Needed) {
    const std::size_t capacity = std::max(Used + Needed, FByteCapacity + FByteCapacity / 2);
    auto bytes = std::make_unique_for_overwrite<unsigned char[]>(capacity);
    if (Used > 0) {
        std::memcpy(bytes.get(), FBytes.get(), Used);
    }
    FBytes = std::move(bytes);
    FByteCapacity = capacity;
}

void TStringMatrix::ReserveScaled(double Factor) {
    if (Factor <= 1) {
        return;
    }
    const auto more = [Factor](std::size_t Now) {
        return static_cast<std::size_t>(static_cast<double>(Now) * (Factor - 1));
    };
    if (const std::size_t bytes = more(FByteCount); FByteCapacity - FByteCount < bytes) {
        GrowBytes(FByteCount, bytes);
    }
    FRowStart.reserve(FRowStart.size() + more(FRowStart.size()));
}

void TStringMatrix::clear() {
    *this = TStringMatrix();
}

bool operator==(const TStringMatrix& A, const TStringMatrix& B) {
    return std::equal(A.begin(), A.end(), B.begin(), B.end());
}
