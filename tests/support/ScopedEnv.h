#pragma once
// Restores an environment variable when the test's scope ends, so tests that point the
// program at other folders or devices leave the process as they found it.
#include <cstdlib>
#include <optional>
#include <string>

namespace kovrin::test {

class ScopedEnv {
public:
    // Remembers the variable; the test may change it freely.
    explicit ScopedEnv(const char* name) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
    }
    // Remembers the variable and sets it to `value`.
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name) { ::setenv(name, value.c_str(), 1); }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace kovrin::test
