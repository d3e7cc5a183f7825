#pragma once

#include <map>
#include <optional>
#include <string>

namespace bildheber::test {

// Sets environment variables for the lifetime of the object (nullopt unsets one) and restores
// their earlier values afterwards. On Windows an empty value unsets the variable as well.
class ScopedEnvironment {
  public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const std::string& name, const std::optional<std::string>& value);

  private:
    std::map<std::string, std::optional<std::string>> earlier_;
};

}  // namespace bildheber::test
