#pragma once
// Sets or clears one environment variable for the life of the object, then restores what was there.

#include <optional>
#include <string>

class TScopedEnv final {
  public:
    // Value std::nullopt clears the variable.
    TScopedEnv(std::string Name, const std::optional<std::string>& Value);
    ~TScopedEnv();
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

  private:
    std::string FName;
    std::optional<std::string> FOld;
};
