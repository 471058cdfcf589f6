// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnq::testing {

// Puts the named environment variables back as they were when the test ends, so that a test
// that moves HOME cannot change where the tests after it write.
class SavedEnvironment {
 public:
  explicit SavedEnvironment(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      const char* value = std::getenv(name);
      m_saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
    }
  }
  ~SavedEnvironment() {
    for (const auto& [name, value] : m_saved) {
      if (value) {
        setenv(name, value->c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

}  // namespace tarnq::testing
