#pragma once
// Small argument helper shared by the commands: options as "--name VALUE" or "--name=VALUE", KEY=VALUE pairs,
// numbers, and one kind of error that main turns into a usage line and exit code 2.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A bad command line; what() is the one-line reason.
class EUsage final : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Walks a command's arguments in order.
class TArgReader final {
  public:
    explicit TArgReader(std::vector<std::string> Args) : FArgs(std::move(Args)) {}

    // True while arguments remain.
    bool More() const { return FPos < FArgs.size(); }
    // The next argument as it stands, consumed. Throws EUsage when none is left.
    std::string Next();
    // When the next argument is the option Name ("--name" or "--name=..."), consumes it and returns true.
    bool IsOption(std::string_view Name);
    // The value of the option just matched by IsOption ("=..." part, else the following argument). Throws
    // EUsage when it is missing.
    std::string Value();
    // True when the next argument looks like an option ("-x", "--x"), without consuming it.
    bool AtOption() const;

  private:
    std::vector<std::string> FArgs;
    std::size_t FPos = 0;
    std::string FOption;
    std::optional<std::string> FInlineValue;
};

// Splits "KEY=VALUE" at its first "="; throws EUsage naming Option when there is none.
std::pair<std::string, std::string> SplitPair(std::string_view Text, std::string_view Option);

// Reads a decimal integer in [Min, Max]; throws EUsage naming Option when Text is anything else.
std::int64_t ParseInteger(std::string_view Text, std::string_view Option, std::int64_t Min, std::int64_t Max);
