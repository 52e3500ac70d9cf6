#include "ui/RtfHyperlink.h"

#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits an instruction into words; a quoted word keeps its blanks and loses its quotes.
std::vector<std::pair<std::string, bool>> Words(std::string_view text) {
    std::vector<std::pair<std::string, bool>> words; // text, was quoted
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        std::string word;
        if (text[i] == '"') {
            ++i;
            while (i < text.size() && text[i] != '"') {
                // Inside quotes Word writes "\\" for one backslash.
                if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"'))
                    ++i;
                word += text[i++];
            }
            ++i; // the closing quote, if any
            words.emplace_back(std::move(word), true);
        } else {
            while (i < text.size() && !IsBlank(text[i]))
                word += text[i++];
            words.emplace_back(std::move(word), false);
        }
    }
    return words;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        char x = a[k], y = b[k];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

std::string HyperlinkTarget(std::string_view Instruction) {
    const auto words = Words(Instruction);
    if (words.empty() || words[0].second || !SameNoCase(words[0].first, "HYPERLINK"))
        return {};
    for (std::size_t k = 1; k < words.size(); ++k) {
        const auto& [word, quoted] = words[k];
        if (!quoted && word.size() == 2 && word[0] == '\\') {
            const char sw = word[1];
            if (sw == 'l')
                return {}; // a place in this document, not something to open
            if (sw == 'o' || sw == 't')
                ++k; // these switches take an argument
            continue;
        }
        return word;
    }
    return {};
}
