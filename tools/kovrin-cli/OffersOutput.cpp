#include "tools/kovrin-cli/OffersOutput.h"

#include "tools/kovrin-cli/CliText.h"

#include <algorithm>
#include <array>

namespace {

// The table leaves out the EID, as the grid hides it.
constexpr std::array kTableFields = {TOfferField::Exchanger, TOfferField::SrcRate, TOfferField::DstRate,
                                     TOfferField::Reserve, TOfferField::BL};

std::string JsonNumber(const std::string& text) {
    return IsJsonNumber(text) ? text : "null";
}

void Pad(std::string& line, std::size_t width) {
    line.append(width, ' ');
}

} // namespace

std::string OffersCsv(const std::vector<TOfferRow>& Rows) {
    std::string out;
    for (const TOfferField field : kOfferFields) {
        out += field == kOfferFields.front() ? "" : ",";
        out += OfferFieldName(field);
    }
    out += '\n';
    for (const auto& row : Rows) {
        for (const TOfferField field : kOfferFields) {
            out += field == kOfferFields.front() ? "" : ",";
            out += CsvField(OfferCellText(row, field));
        }
        out += '\n';
    }
    return out;
}

std::string OffersJson(const std::vector<TOfferRow>& Rows) {
    if (Rows.empty())
        return "[]\n";
    std::string out = "[\n";
    for (std::size_t r = 0; r < Rows.size(); ++r) {
        const auto& row = Rows[r];
        out += "  {";
        for (const TOfferField field : kOfferFields) {
            out += field == kOfferFields.front() ? "" : ", ";
            out += JsonString(std::string(OfferFieldName(field))) + ": ";
            if (field == TOfferField::Exchanger)
                out += JsonString(row.Exchanger);
            else if (field == TOfferField::BL && !row.BL)
                out += "null";
            else
                out += JsonNumber(OfferCellText(row, field));
        }
        out += r + 1 < Rows.size() ? "},\n" : "}\n";
    }
    out += "]\n";
    return out;
}

std::string OffersTable(const std::vector<TOfferRow>& Rows) {
    std::vector<std::array<std::string, kTableFields.size()>> cells;
    std::array<std::string_view, kTableFields.size()> titles{};
    std::array<std::size_t, kTableFields.size()> widths{};
    for (std::size_t i = 0; i < kTableFields.size(); ++i) {
        titles[i] = OfferFieldTitle(kTableFields[i]);
        widths[i] = DisplayWidth(titles[i]);
    }
    for (const auto& row : Rows) {
        auto& line = cells.emplace_back();
        for (std::size_t i = 0; i < kTableFields.size(); ++i) {
            line[i] = OneLine(OfferCellText(row, kTableFields[i]));
            widths[i] = std::max(widths[i], DisplayWidth(line[i]));
        }
    }

    const auto emit = [&](const auto& texts) {
        std::string line;
        for (std::size_t i = 0; i < kTableFields.size(); ++i) {
            const std::string_view text = texts[i];
            const std::size_t gap = widths[i] - DisplayWidth(text);
            if (i > 0)
                line += "  ";
            // The name reads best left-aligned, numbers line up on the right.
            if (kTableFields[i] == TOfferField::Exchanger) {
                line += text;
                if (i + 1 < kTableFields.size())
                    Pad(line, gap);
            } else {
                Pad(line, gap);
                line += text;
            }
        }
        line += '\n';
        return line;
    };
    std::string out = emit(titles);
    for (const auto& line : cells)
        out += emit(line);
    return out;
}
