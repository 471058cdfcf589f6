// JSON text output.
#pragma once

#include <string>
#include <string_view>

namespace tarnq::cli {

// Appends `text` (UTF-8; bytes that are not valid UTF-8 become U+FFFD) as a JSON string literal.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace tarnq::cli
