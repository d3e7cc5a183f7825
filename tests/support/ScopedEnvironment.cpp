#include "support/ScopedEnvironment.h"

#include <cstdlib>

namespace bildheber::test {

namespace {

void put(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // The C runtime's copy of the environment, which getenv reads, OpenSSL's included; it also
    // sets the process's own. An empty value removes the variable.
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
#endif
}

}  // namespace

ScopedEnvironment::~ScopedEnvironment() {
    for (const auto& [name, value] : earlier_) {
        put(name, value);
    }
}

void ScopedEnvironment::set(const std::string& name, const std::optional<std::string>& value) {
    if (earlier_.count(name) == 0) {
        const char* current = std::getenv(name.c_str());
        earlier_[name] = current ? std::optional<std::string>(current) : std::nullopt;
    }
    put(name, value);
}

}  // namespace bildheber::test
