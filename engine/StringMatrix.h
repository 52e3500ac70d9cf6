#pragma once
// The table type of the pattern routines: rows of strings, all held in one block of bytes per table, so that
// a table of many short fields costs a byte or two beside each field instead of a heap block per row.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A row built by hand: its fields as strings (tests, and callers that assemble a table themselves).
using TStringArray = std::vector<std::string>;

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
        const_iterator(const unsigned char* Next, std::size_t Left) : FNext(Next), FLeft(Left) { Load(); }
        void Step() {
            --FLeft;
            Load();
        }
        // Decodes the field at FNext, when one is left.
        void Load();

        const unsigned char* FNext = nullptr; // the encoded field after FField
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
    const_iterator begin() const { return {FFields, FCount}; }
    const_iterator end() const { return {nullptr, 0}; }

    // The fields as strings of their own.
    TStringArray ToArray() const;

    friend bool operator==(const TStringRow& A, const TStringRow& B);
    friend bool operator==(const TStringRow& A, const TStringArray& B);

  private:
    friend class TStringMatrix;
    explicit TStringRow(const unsigned char* Record);

    const unsigned char* FFields = nullptr; // the first encoded field
    std::size_t FCount = 0;
};

// A table of strings: rows in order, each a list of fields; rows need not have equal lengths. Indexed like a
// vector of rows (table[row][column]); a row is a TStringRow view into the table. Each row is one record in a
// single block of bytes: its field count, then every field as its length and its bytes (lengths in 7-bit
// groups, one byte below 128), with a 32-bit offset per row beside the block. Rows start within the first
// 4 GiB; appending past that throws std::length_error.
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
    TStringMatrix(const TStringMatrix& Other);
    TStringMatrix(TStringMatrix&& Other) noexcept;
    TStringMatrix& operator=(const TStringMatrix& Other);
    TStringMatrix& operator=(TStringMatrix&& Other) noexcept;
    ~TStringMatrix() = default;

    std::size_t size() const { return FRowStart.size(); }
    bool empty() const { return FRowStart.empty(); }
    // Row Row (< size()); const like a field.
    const TStringRow operator[](std::size_t Row) const { return TStringRow(FBytes.get() + FRowStart[Row]); }
    const TStringRow front() const { return (*this)[0]; }
    const TStringRow back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    // Appends a copy of Row.
    void push_back(const TStringArray& Row);
    // Appends a row of the given fields.
    void AppendRow(std::span<const std::string_view> Fields);
    // Appends a row cut from Source: field i is Source[Pairs[2i], Pairs[2i+1]), or "" when Pairs[2i] is
    // kNoField. The pairs must lie within Source.
    void AppendRow(std::string_view Source, const std::size_t* Pairs, std::size_t Count);
    static constexpr std::size_t kNoField = ~std::size_t{0};
    // Appends copies of Other's rows from row From (<= Other.size()) on.
    void AppendRows(const TStringMatrix& Other, std::size_t From);

    // Makes room for the table to grow to Factor times its present size without moving (nothing for
    // Factor <= 1).
    void ReserveScaled(double Factor);
    // Removes every row and gives the memory back.
    void clear();

    // Bytes the rows take: the block of records and the row offsets (the memory held, less spare room).
    std::size_t HeldBytes() const { return FByteCount + sizeof(std::uint32_t) * FRowStart.size(); }

    friend bool operator==(const TStringMatrix& A, const TStringMatrix& B);

  private:
    // Begins the record of a new row; gives where it goes, with room for a written length.
    unsigned char* StartRow();
    // Makes sure Bytes bytes fit at Out, in the record being written (the block may move); gives Out anew.
    unsigned char* Room(unsigned char* Out, std::size_t Bytes);
    // Ends the record begun by StartRow at Out.
    void EndRow(const unsigned char* Out);
    // Moves the block to one with room for Needed bytes past its first Used bytes, which are kept.
    void GrowBytes(std::size_t Used, std::size_t Needed);

    std::unique_ptr<unsigned char[]> FBytes; // the records of all rows, back to back
    std::size_t FByteCount = 0;
    std::size_t FByteCapacity = 0;
    std::vector<std::uint32_t> FRowStart; // offset of each row's record in FBytes
};
