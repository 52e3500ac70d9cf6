#include "tests/support/ScopedEnv.h"

#include <cstdlib>

TScopedEnv::TScopedEnv(std::string Name, const std::optional<std::string>& Value) : FName(std::move(Name)) {
    if (const char* old = std::getenv(FName.c_str())) {
        FOld = old;
    }
    if (Value) {
        ::setenv(FName.c_str(), Value->c_str(), 1);
    } else {
        ::unsetenv(FName.c_str());
    }
}

TScopedEnv::~TScopedEnv() {
    if (FOld) {
        ::setenv(FName.c_str(), FOld->c_str(), 1);
    } else {
        ::unsetenv(FName.c_str());
    }
}
