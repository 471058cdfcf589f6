#include "cli/json.h"

#include <cstdio>

#include "platform/text.h"

namespace tarnq::cli {

void AppendJsonString(std::string& out, std::string_view text) {
  // A round trip through UTF-16 replaces malformed bytes, so the output is always valid UTF-8.
  const std::string clean = platform::Utf16ToUtf8(platform::Utf8ToUtf16(text));
  out.push_back('"');
  for (char ch : clean) {
    auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out.push_back(ch);
        }
    }
  }
  out.push_back('"');
}

}  // namespace tarnq::cli
