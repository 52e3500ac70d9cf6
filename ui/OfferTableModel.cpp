#include "ui/OfferTableModel.h"

#include <bit>
#include <cstdint>
#include <functional>
#include <unordered_map>

namespace {

// Rows are matched by their whole content, bit for bit, so that a NaN or a signed zero still finds itself.
struct TRowRef {
    const TOfferRow* Row;
};

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

struct TRowRefEqual {
    bool operator()(TRowRef a, TRowRef b) const {
        const TOfferRow& x = *a.Row;
        const TOfferRow& y = *b.Row;
        return x.EID == y.EID && x.Exchanger == y.Exchanger && SameBits(x.SrcRate, y.SrcRate) &&
               SameBits(x.DstRate, y.DstRate) && SameBits(x.Reserve, y.Reserve) && x.BL == y.BL;
    }
};

struct TRowRefHash {
    std::size_t operator()(TRowRef r) const {
        const TOfferRow& x = *r.Row;
        std::size_t h = std::hash<std::string>{}(x.Exchanger);
        auto mix = [&h](std::uint64_t v) {
            h ^= std::hash<std::uint64_t>{}(v) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        };
        mix(static_cast<std::uint32_t>(x.EID));
        mix(std::bit_cast<std::uint64_t>(x.SrcRate));
        mix(std::bit_cast<std::uint64_t>(x.DstRate));
        mix(std::bit_cast<std::uint64_t>(x.Reserve));
        mix(x.BL ? static_cast<std::uint64_t>(static_cast<std::uint32_t>(*x.BL)) : 0x100000000ULL);
        return h;
    }
};

// Where each row of Before went in After. SortOffers is stable and hands back no permutation, but stability
// is enough: rows with equal content keep their relative order, so the k-th copy of a content before the sort
// is the k-th copy after it.
std::vector<int> NewPositions(const std::vector<TOfferRow>& Before, const std::vector<TOfferRow>& After) {
    struct TSlots {
        std::vector<int> Positions;
        std::size_t Next = 0;
    };
    std::unordered_map<TRowRef, TSlots, TRowRefHash, TRowRefEqual> byContent;
    byContent.reserve(After.size());
    for (std::size_t i = 0; i < After.size(); ++i)
        byContent[TRowRef{&After[i]}].Positions.push_back(static_cast<int>(i));
    std::vector<int> result(Before.size(), -1);
    for (std::size_t i = 0; i < Before.size(); ++i) {
        auto found = byContent.find(TRowRef{&Before[i]});
        if (found != byContent.end() && found->second.Next < found->second.Positions.size())
            result[i] = found->second.Positions[found->second.Next++];
    }
    return result;
}

bool IsNumberField(TOfferField Field) {
    return Field != TOfferField::Exchanger;
}

} // namespace

TMemTableRates::TMemTableRates(QObject* Parent) : QAbstractTableModel(Parent) {}

int TMemTableRates::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TMemTableRates::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : kColumnCount;
}

std::optional<TOfferField> TMemTableRates::FieldOfColumn(int Column) {
    if (Column < 0 || Column >= kColumnCount)
        return std::nullopt;
    return static_cast<TOfferField>(Column);
}

QString TMemTableRates::FieldTitle(TOfferField Field) {
    const std::string_view title = OfferFieldTitle(Field);
    return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

QVariant TMemTableRates::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid() || Index.parent().isValid() || Index.row() < 0 ||
        Index.row() >= static_cast<int>(FRows.size()))
        return QVariant();
    const auto field = FieldOfColumn(Index.column());
    if (!field)
        return QVariant();
    const TOfferRow& row = FRows[static_cast<std::size_t>(Index.row())];
    switch (Role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(OfferCellText(row, *field));
    case Qt::ToolTipRole: {
        if (*field != TOfferField::Exchanger)
            return QVariant();
        const std::string full = FFullName ? FFullName(row) : std::string();
        return QString::fromStdString(full.empty() ? row.Exchanger : full);
    }
    case Qt::TextAlignmentRole:
        return IsNumberField(*field) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                     : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case kRawKeyRole:
        switch (*field) {
        case TOfferField::EID:
            return QVariant(row.EID);
        case TOfferField::Exchanger:
            return QVariant(QString::fromStdString(row.Exchanger));
        case TOfferField::SrcRate:
            return QVariant(row.SrcRate);
        case TOfferField::DstRate:
            return QVariant(row.DstRate);
        case TOfferField::Reserve:
            return QVariant(row.Reserve);
        case TOfferField::BL:
            return row.BL ? QVariant(*row.BL) : QVariant();
        }
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant TMemTableRates::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation != Qt::Horizontal)
        return QVariant();
    const auto field = FieldOfColumn(Section);
    if (!field)
        return QVariant();
    if (Role == Qt::DisplayRole)
        return FieldTitle(*field);
    if (Role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignCenter);
    return QVariant();
}

Qt::ItemFlags TMemTableRates::flags(const QModelIndex& Index) const {
    if (!Index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void TMemTableRates::sort(int Column, Qt::SortOrder Order) {
    const auto field = FieldOfColumn(Column);
    if (!field)
        return;
    Sort({TSortKey{*field, Order == Qt::DescendingOrder}});
}

void TMemTableRates::Fill(std::vector<TOfferRow> Rows) {
    beginResetModel();
    FRows = std::move(Rows);
    FShownFor.reset();
    endResetModel();
}

void TMemTableRates::Fill(std::vector<TOfferRow> Rows, TOfferPair Pair) {
    Fill(std::move(Rows));
    FShownFor = std::move(Pair);
}

void TMemTableRates::Clear() {
    Fill({});
}

void TMemTableRates::Sort(const TSortOrder& Order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    if (persistent.isEmpty()) {
        SortOffers(FRows, Order);
    } else {
        std::vector<TOfferRow> sorted = FRows;
        SortOffers(sorted, Order);
        const std::vector<int> moved = NewPositions(FRows, sorted);
        FRows = std::move(sorted);
        QModelIndexList targets;
        targets.reserve(persistent.size());
        for (const QModelIndex& index : persistent) {
            const int oldRow = index.row();
            const int newRow = oldRow >= 0 && oldRow < static_cast<int>(moved.size())
                                   ? moved[static_cast<std::size_t>(oldRow)]
                                   : -1;
            targets.append(newRow < 0 ? QModelIndex() : createIndex(newRow, index.column()));
        }
        changePersistentIndexList(persistent, targets);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
