#pragma once
// The in-memory offer table: a read-only Qt table model over a plain vector of offer rows.

#include "engine/Offers.h"

#include <QAbstractTableModel>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TMemTableRates final : public QAbstractTableModel {
    Q_OBJECT

  public:
    // The role that gives a cell's raw value (number, name, null BL) rather than its display text.
    static constexpr int kRawKeyRole = Qt::UserRole;
    // Number of columns: one per TOfferField.
    static constexpr int kColumnCount = static_cast<int>(TOfferField::BL) + 1;

    // An empty table. Never throws.
    explicit TMemTableRates(QObject* Parent = nullptr);

    // Number of offers (0 under a valid parent: the table is flat).
    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    // Number of fields (0 under a valid parent).
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    // The whole name of an offer's exchanger (the cell keeps its first 20 bytes); empty when unknown.
    using TFullName = std::function<std::string(const TOfferRow& Row)>;

    // Display text, raw key, alignment (numbers right-aligned), the whole name as the name cell's tooltip; an
    // invalid QVariant for anything else.
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    // Column titles; rows have no title text (the grid draws its own row marker).
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    // Selectable and enabled, never editable.
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    // Sorts by one column, as Sort({{Column, Descending}}) does; an out-of-range column is ignored.
    void sort(int Column, Qt::SortOrder Order = Qt::AscendingOrder) override;

    // Replaces every row with Rows in one model reset.
    void Fill(std::vector<TOfferRow> Rows);
    // The same, the rows being the offers of Pair.
    void Fill(std::vector<TOfferRow> Rows, TOfferPair Pair);
    // Removes every row in one model reset.
    void Clear();
    // The rows in their present order.
    const std::vector<TOfferRow>& Rows() const { return FRows; }
    // The pair the rows are the offers of, as the last fill gave it; nullopt when it gave none.
    const std::optional<TOfferPair>& ShownFor() const { return FShownFor; }
    // Stable sort of the rows by Order in one layout change; persistent indexes follow their rows.
    void Sort(const TSortOrder& Order);

    // Where the name cells' tooltips come from; none by default.
    void SetFullName(TFullName FullName) { FFullName = std::move(FullName); }

    // The field a column shows; nullopt for a column outside the table.
    static std::optional<TOfferField> FieldOfColumn(int Column);
    // The column title of a field ("" for EID, which the grid hides).
    static QString FieldTitle(TOfferField Field);

  private:
    std::vector<TOfferRow> FRows;
    std::optional<TOfferPair> FShownFor;
    TFullName FFullName;
};
