#include "tools/kovrin-cli/Args.h"

#include <charconv>

std::string TArgReader::Next() {
    if (!More())
        throw EUsage("an argument is missing");
    return FArgs[FPos++];
}

bool TArgReader::AtOption() const {
    return More() && FArgs[FPos].size() > 1 && FArgs[FPos][0] == '-';
}

bool TArgReader::IsOption(std::string_view Name) {
    if (!More())
        return false;
    const std::string_view arg = FArgs[FPos];
    if (arg == Name) {
        FInlineValue.reset();
    } else if (arg.size() > Name.size() && arg.substr(0, Name.size()) == Name && arg[Name.size()] == '=') {
        FInlineValue = std::string(arg.substr(Name.size() + 1));
    } else {
        return false;
    }
    FOption = std::string(Name);
    ++FPos;
    return true;
}

std::string TArgReader::Value() {
    if (FInlineValue) {
        std::string value = std::move(*FInlineValue);
        FInlineValue.reset();
        return value;
    }
    if (!More())
        throw EUsage(FOption + " needs a value");
    return FArgs[FPos++];
}

std::pair<std::string, std::string> SplitPair(std::string_view Text, std::string_view Option) {
    const std::size_t equals = Text.find('=');
    if (equals == std::string_view::npos)
        throw EUsage(std::string(Option) + " wants KEY=VALUE, got \"" + std::string(Text) + "\"");
    return {std::string(Text.substr(0, equals)), std::string(Text.substr(equals + 1))};
}

std::int64_t ParseInteger(std::string_view Text, std::string_view Option, std::int64_t Min,
                          std::int64_t Max) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (Text.empty() || error != std::errc() || end != Text.data() + Text.size() || value < Min ||
        value > Max)
        throw EUsage(std::string(Option) + " wants a whole number from " + std::to_string(Min) + " to " +
                     std::to_string(Max) + ", got \"" + std::string(Text) + "\"");
    return value;
}
