#pragma once
// Restores an environment variable when the test's scope ends, so tests that point the
// program at other folders or devices leave the process as they found it.
#include <cstdlib>
#include <optional>
#include <string>

namespace kovrin::test {

#ifdef _WIN32
inline void SetEnvVar(const char* name, const char* value) { ::_putenv_s(name, value); }
inline void UnsetEnvVar(const char* name) { ::_putenv_s(name, ""); }
#else
inline void SetEnvVar(const char* name, const char* value) { ::setenv(name, value, 1); }
inline void UnsetEnvVar(const char* name) { ::unsetenv(name); }
#endif

class ScopedEnv {
public:
    // Remembers the variable; the test may change it freely.
    explicit ScopedEnv(const char* name) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
    }
    // Remembers the variable and sets it to `value`.
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name) { SetEnvVar(name, value.c_str()); }
    ~ScopedEnv()
    {
        if (old_)
            SetEnvVar(name_, old_->c_str());
        else
            UnsetEnvVar(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace kovrin::test
