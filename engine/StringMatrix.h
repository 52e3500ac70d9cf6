#pragma once
// The table type of the pattern routines: rows of strings that all point into one text per table, so that a
// feed's table is its body and a byte or two per field, instead of a heap block per row.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Bytes a table may share with others who hold them (a feed body also being kept, a mapped file), and what
// keeps them: they stay as they are while any holder of the keeper lives.
class TSharedText {
  public:
    TSharedText() = default;
    // A string held elsewhere too (a null one reads as empty).
    TSharedText(std::shared_ptr<const std::string> Text) // NOLINT: a shared string is shared text
        : FBytes(Text ? std::string_view(*Text) : std::string_view()), FKeeper(std::move(Text)) {}
    TSharedText(std::shared_ptr<const void> Keeper, std::string_view Bytes)
        : FBytes(Bytes), FKeeper(std::move(Keeper)) {}

    std::string_view Bytes() const { return FBytes; }
    explicit operator bool() const { return FKeeper != nullptr; }

    // Marks the bytes as checked well-formed UTF-8 by whoever read them (piece by piece, while each was in
    // cache), so that cutting them need not check them again.
    void MarkValidUtf8() { FKnownValidUtf8 = true; }
    bool KnownValidUtf8() const { return FKnownValidUtf8; }

  private:
    std::string_view FBytes;
    std::shared_ptr<const void> FKeeper;
    bool FKnownValidUtf8 = false;
};

// A row built by hand: its fields as strings (tests, and callers that assemble a table themselves).
using TStringArray = std::vector<std::string>;

// How a table's records are written (TRowIndex); inline, as reading a field is what table scans do most.
namespace RowRecord {

// Reads a number written in groups of 7 bits, lowest first, the top bit set on every byte but the last; moves
// In past it.
inline std::size_t GetNumber(const unsigned char*& In) {
    std::size_t value = *In & 0x7F;
    unsigned shift = 7;
    while ((*In++ & 0x80) != 0) {
        value |= static_cast<std::size_t>(*In & 0x7F) << shift;
        shift += 7;
    }
    return value;
}

// Decodes the field at In of a row whose first field starts at Base in Text: its length, and its start when
// the field says so (else NextStart). Moves In past it and NextStart to one byte after its end.
inline std::string_view FieldAt(const char* Text, std::size_t Base, const unsigned char*& In,
                                std::size_t& NextStart) {
    const std::size_t head = GetNumber(In);
    const std::size_t length = head >> 1;
    const std::size_t start = (head & 1) != 0 ? Base + GetNumber(In) : NextStart;
    NextStart = start + length + 1;
    return length == 0 ? std::string_view() : std::string_view(Text + start, length);
}

} // namespace RowRecord

// One row of a TStringMatrix: views of its fields (UTF-8). Valid until the matrix is changed or destroyed.
class TStringRow {
  public:
    // Walks the fields of a row in order.
    class const_iterator {
      public:
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using iterator_concept = std::forward_iterator_tag;
        using iterator_category = std::input_iterator_tag; // fields are values, not references

        const_iterator() = default;
        std::string_view operator*() const { return FField; }
        const_iterator& operator++() {
            Step();
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            Step();
            return before;
        }
        friend bool operator==(const const_iterator& A, const const_iterator& B) {
            return A.FLeft == B.FLeft;
        }

      private:
        friend class TStringRow;
        const_iterator(const TStringRow& Row, std::size_t Left)
            : FText(Row.FText), FBase(Row.FBase), FNext(Row.FFields), FNextStart(Row.FBase), FLeft(Left) {
            Load();
        }
        void Step() {
            --FLeft;
            Load();
        }
        // Decodes the next field, when one is left.
        void Load() {
            if (FLeft > 0) {
                FField = RowRecord::FieldAt(FText, FBase, FNext, FNextStart);
            }
        }

        const char* FText = nullptr;
        std::size_t FBase = 0;
        const unsigned char* FNext = nullptr; // the encoded field after FField
        std::size_t FNextStart = 0;           // where that field starts unless it says otherwise
        std::size_t FLeft = 0;                // fields from FField to the end of the row
        std::string_view FField;
    };
    using iterator = const_iterator;
    using value_type = std::string_view;

    TStringRow() = default;

    std::size_t size() const { return FCount; }
    bool empty() const { return FCount == 0; }
    // Field Column (< size()); finding it walks the fields before it. Const, so that assigning to it, which
    // could not change the table, does not compile.
    const std::string_view operator[](std::size_t Column) const;
    const std::string_view front() const { return *begin(); }
    const std::string_view back() const { return (*this)[FCount - 1]; }
    const_iterator begin() const { return {*this, FCount}; }
    const_iterator end() const { return {}; }

    // The first N fields (N <= size()), found in one walk; for reading a row's columns by name:
    // const auto [id, name] = row.First<2>();
    template <std::size_t N> std::array<std::string_view, N> First() const {
        std::array<std::string_view, N> fields;
        const unsigned char* at = FFields;
        std::size_t nextStart = FBase;
        for (std::string_view& to : fields) {
            to = RowRecord::FieldAt(FText, FBase, at, nextStart);
        }
        return fields;
    }
    // The fields as strings of their own.
    TStringArray ToArray() const;

    friend bool operator==(const TStringRow& A, const TStringRow& B);
    friend bool operator==(const TStringRow& A, const TStringArray& B);

  private:
    friend class TStringMatrix;
    friend class TRowIndex;
    TStringRow(const char* Text, const unsigned char* Record, std::size_t Base) : FText(Text), FBase(Base) {
        FCount = RowRecord::GetNumber(Record);
        FFields = Record;
    }

    const char* FText = nullptr;            // the table's text
    const unsigned char* FFields = nullptr; // the first encoded field
    std::size_t FBase = 0;                  // where the row's first field starts in the text
    std::size_t FCount = 0;
};

// The rows of a table while they are cut from a text held elsewhere: each row is a record of its field count
// and, per field, its length in 7-bit groups (one byte below 64) with a flag for a field that does not start
// one byte after the one before it, which then gives its start. A row notes where its record is and where its
// first field starts in the text (32 bits each), so rows lie within the first 4 GiB of both.
class TRowIndex {
  public:
    TRowIndex() = default;
    TRowIndex(const TRowIndex& Other);
    TRowIndex(TRowIndex&& Other) noexcept;
    TRowIndex& operator=(const TRowIndex& Other);
    TRowIndex& operator=(TRowIndex&& Other) noexcept;
    ~TRowIndex() = default;

    std::size_t size() const { return FRows.size() + (FLater ? FLater->size() : 0); }
    // Adds the row of Count fields: field i is Text[Pairs[2i], Pairs[2i+1]), or "" when Pairs[2i] is
    // kNoField. Throws std::length_error when it would lie past 4 GiB.
    void AddRow(const std::size_t* Pairs, std::size_t Count);
    static constexpr std::size_t kNoField = ~std::size_t{0};
    // Takes Later's rows from row From (<= Later.size()) on as the rows after these; both index Text. They
    // stay where Later wrote them: a second thread's rows are not copied over.
    void Append(TRowIndex&& Later, std::size_t From, std::string_view Text);
    // Makes room for Factor times the present rows (nothing for Factor <= 1).
    void ReserveScaled(double Factor);

    // Bytes of the records and row notes.
    std::size_t IndexBytes() const {
        return FRecordCount - FUnusedRecordBytes + sizeof(TRowNote) * FRows.size() +
               (FLater ? FLater->IndexBytes() : 0);
    }
    // Bytes the rows need: the index, and the text from each row's first field byte to its last.
    std::size_t NeededBytes() const { return IndexBytes() + SpanBytes(); }

  private:
    friend class TStringMatrix;
    // Where a row's record starts in FRecords, and where its first field starts in the text.
    struct TRowNote {
        std::uint32_t RecordAt;
        std::uint32_t TextAt;
    };

    // Makes room for Bytes more record bytes after the present ones, its pages mapped in.
    void Room(std::size_t Bytes) {
        if (FRecordCapacity - FRecordCount < Bytes) {
            Grow(Bytes);
        } else if (FRecordsMapped - FRecordCount < Bytes) {
            MapRecordsAhead(Bytes);
        }
    }
    void Grow(std::size_t Bytes);
    // Maps in the pages of the room's next bytes, at least Bytes of them, with one request rather than a
    // fault a page; the rest of the room is left until rows come near it.
    void MapRecordsAhead(std::size_t Bytes);
    void MapRowsAhead();
    // Row Row's record and where its first field starts in the text.
    std::pair<const unsigned char*, std::size_t> RowAt(std::size_t Row) const {
        if (Row < FRows.size()) {
            return {FRecords.get() + FRows[Row].RecordAt, FRows[Row].TextAt};
        }
        return FLater->RowAt(Row - FRows.size());
    }
    // The note of row Row, to move its text.
    TRowNote& NoteAt(std::size_t Row) {
        return Row < FRows.size() ? FRows[Row] : FLater->NoteAt(Row - FRows.size());
    }
    // The bytes of Text from row Row's first field byte to its last.
    std::string_view Span(std::size_t Row, std::string_view Text) const;
    std::size_t SpanBytes() const { return FSpanBytes + (FLater ? FLater->SpanBytes() : 0); }
    // Sets what the rows' spans take, all of it counted here.
    void SetSpanBytes(std::size_t Bytes) {
        FSpanBytes = Bytes;
        if (FLater) {
            FLater->SetSpanBytes(0);
        }
    }

    std::unique_ptr<unsigned char[]> FRecords;
    std::size_t FRecordCount = 0;
    std::size_t FRecordCapacity = 0;
    std::size_t FRecordsMapped = 0;     // record bytes whose pages are mapped in
    std::size_t FUnusedRecordBytes = 0; // records at the front of rows that are not these rows'
    std::vector<TRowNote> FRows;
    std::size_t FRowsMapped = 0; // notes whose pages are mapped in
    std::size_t FSpanBytes = 0;
    // The rows after these, as another index wrote them (Append); null when there are none.
    std::unique_ptr<TRowIndex> FLater;
};

// Tells one state of a table's rows from every other: a new table and every change take a number no table has
// had before, a copy shares it (it holds the same rows), and a table moved from takes a new one.
class TTableGeneration {
  public:
    TTableGeneration() : FValue(Next()) {}
    TTableGeneration(const TTableGeneration&) = default;
    TTableGeneration& operator=(const TTableGeneration&) = default;
    TTableGeneration(TTableGeneration&& Other) noexcept : FValue(std::exchange(Other.FValue, Next())) {}
    TTableGeneration& operator=(TTableGeneration&& Other) noexcept {
        if (this != &Other) {
            FValue = std::exchange(Other.FValue, Next());
        }
        return *this;
    }
    ~TTableGeneration() = default;

    void Renew() { FValue = Next(); }
    std::uint64_t Value() const { return FValue; }

  private:
    static std::uint64_t Next();
    std::uint64_t FValue;
};

// A table of strings: rows in order, each a list of fields; rows need not have equal lengths. Indexed like a
// vector of rows (table[row][column]); a row is a TStringRow view into the table. The fields are views into
// one text the table holds: a subject it was cut from and took over, or the fields themselves, copied.
class TStringMatrix {
  public:
    // Walks the rows in order.
    class const_iterator {
      public:
        using value_type = TStringRow;
        using difference_type = std::ptrdiff_t;
        using iterator_concept = std::forward_iterator_tag;
        using iterator_category = std::input_iterator_tag; // rows are values, not references

        const_iterator() = default;
        const_iterator(const TStringMatrix* Table, std::size_t Row) : FTable(Table), FRow(Row) {}
        TStringRow operator*() const { return (*FTable)[FRow]; }
        const_iterator& operator++() {
            ++FRow;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++FRow;
            return before;
        }
        friend bool operator==(const const_iterator& A, const const_iterator& B) { return A.FRow == B.FRow; }

      private:
        const TStringMatrix* FTable = nullptr;
        std::size_t FRow = 0;
    };
    using iterator = const_iterator;
    using value_type = TStringRow;

    TStringMatrix() = default;
    TStringMatrix(std::initializer_list<TStringArray> Rows);
    // Count copies of Row.
    TStringMatrix(std::size_t Count, const TStringArray& Row);
    // The rows of Index over Text, which the table takes over; when the rows span less than half of it, they
    // are copied out and Text goes.
    TStringMatrix(std::string Text, TRowIndex Index);
    // The rows of Index over Text, which the table copies (the rows' spans alone when they cover less than
    // half of it).
    TStringMatrix(std::string_view Text, TRowIndex Index);
    // The rows of Index over Text, which the table shares with whoever else holds it (a feed body that is
    // also being kept) rather than copying it; the rows' spans are copied out instead when they cover less
    // than half of it.
    TStringMatrix(TSharedText Text, TRowIndex Index);

    std::size_t size() const { return FIndex ? FIndex->size() : 0; }
    bool empty() const { return size() == 0; }
    // Row Row (< size()); const like a field.
    const TStringRow operator[](std::size_t Row) const {
        const auto [record, base] = FIndex->RowAt(Row);
        return {TextData(), record, base};
    }
    const TStringRow front() const { return (*this)[0]; }
    const TStringRow back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    // Appends a copy of Row.
    void push_back(const TStringArray& Row);
    // Appends a row of the given fields (copied).
    void AppendRow(std::span<const std::string_view> Fields);
    // Removes every row and gives the memory back.
    void clear();

    // Bytes the table holds: its text, the records and the row notes (less spare room).
    std::size_t HeldBytes() const { return FText.size() + FShared.Bytes().size() + Index().IndexBytes(); }
    // Bytes its rows need, what a budget counts: the index and, per row, the text from its first field byte
    // to its last (the rest of a text the table holds is not counted).
    std::size_t NeededBytes() const { return Index().NeededBytes(); }
    // The state of the rows: equal for two reads only when the rows did not change in between.
    std::uint64_t Generation() const { return FGeneration.Value(); }

    friend bool operator==(const TStringMatrix& A, const TStringMatrix& B);

  private:
    // Copies the span of every row out of Text into FText, one after the other.
    void CopySpans(std::string_view Text);

    const char* TextData() const { return FShared ? FShared.Bytes().data() : FText.data(); }
    // The rows (an empty index when there are none).
    const TRowIndex& Index() const;
    // The rows, for a change: copied first while other copies of the table share them.
    TRowIndex& OwnIndex();

    std::string FText;
    // The text when it is shared (FText is then empty); a row appended to the table copies it into FText
    // first.
    TSharedText FShared;
    // Shared by the copies of the table until one of them changes: handing a table of 100,000 rows over by
    // value copies a pointer, not megabytes of records. Null for a table that never had rows.
    std::shared_ptr<TRowIndex> FIndex;
    TTableGeneration FGeneration;
};
