// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/update_check.h"

#include <algorithm>

#include "lang/languages.h"
#include "platform/text.h"

namespace tarnq::appcore {
namespace {

constexpr int kUpdateAvailableText = 1001;
constexpr int kUpToDateText = 1003;
constexpr std::u16string_view kFallbackName = u"Twinsong";

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char16_t a, char16_t b) { return AsciiLower(a) == AsciiLower(b); });
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool IsVersionCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' || c == '-' ||
         c == '_' || c == '+';
}

// "TS26.02 Twinsong" → version "26.02", name "Twinsong"; none for a line that does not fit.
std::optional<ProductLine> ParseLine(std::string_view line, std::string_view code) {
  if (line.size() > kMaxProductLineBytes || !line.starts_with(code)) return std::nullopt;
  if (std::any_of(line.begin(), line.end(), [](char c) { return IsControl(static_cast<unsigned char>(c)); }))
    return std::nullopt;
  const size_t space = line.find(' ', code.size());
  if (space == std::string_view::npos) return std::nullopt;
  const std::string_view version = line.substr(code.size(), space - code.size());
  // The version is shown as it stands: letters, digits and ". - _ +" only.
  if (version.empty() || !std::all_of(version.begin(), version.end(), IsVersionCharacter)) return std::nullopt;
  std::string_view name = line.substr(space + 1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  ProductLine product{platform::Utf8ToUtf16(version), platform::Utf8ToUtf16(name)};
  if (product.name.empty()) product.name = kFallbackName;
  return product;
}

}  // namespace

std::u16string UpdateListAddress(settings::SettingsStore& store) {
  std::u16string address = store.ReadText(settings::SettingsStore::kMainSection, kUpdateAddressKey);
  if (StartsWithIgnoringCase(address, u"https://") || StartsWithIgnoringCase(address, u"http://")) return address;
  return {};
}

std::optional<ProductLine> FindProductLine(std::string_view list, std::string_view productCode) {
  if (productCode.empty()) return std::nullopt;
  if (list.size() > kMaxProductListBytes) {
    list = list.substr(0, kMaxProductListBytes);
    list = list.substr(0, list.rfind('\n') + 1);  // a line cut off here is no line
  }
  if (list.starts_with(platform::kUtf8Marker)) list.remove_prefix(platform::kUtf8Marker.size());
  while (!list.empty()) {
    const size_t end = list.find('\n');
    std::string_view line = list.substr(0, end);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (auto product = ParseLine(line, productCode)) return product;
  }
  return std::nullopt;
}

bool IsOtherVersion(std::u16string_view offered, std::u16string_view running) {
  return offered.size() != running.size() || !StartsWithIgnoringCase(offered, running);
}

bool IsNewerVersion(std::u16string_view offered, std::u16string_view running) {
  // Runs of digits compare as numbers, other runs ignoring case; separators only separate.
  auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  auto isSeparator = [](char16_t c) { return c == u'.' || c == u'-' || c == u'_' || c == u'+'; };
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  auto nextRun = [&](std::u16string_view& text) {
    while (!text.empty() && isSeparator(text.front())) text.remove_prefix(1);
    size_t n = 0;
    if (!text.empty()) {
      const bool digits = isDigit(text.front());
      while (n < text.size() && !isSeparator(text[n]) && isDigit(text[n]) == digits) ++n;
    }
    const std::u16string_view run = text.substr(0, n);
    text.remove_prefix(n);
    return run;
  };
  for (;;) {
    const std::u16string_view a = nextRun(offered);
    const std::u16string_view b = nextRun(running);
    if (a.empty() || b.empty()) return !a.empty();
    if (isDigit(a.front()) && isDigit(b.front())) {
      std::u16string_view x = a, y = b;
      while (x.size() > 1 && x.front() == u'0') x.remove_prefix(1);
      while (y.size() > 1 && y.front() == u'0') y.remove_prefix(1);
      if (x.size() != y.size()) return x.size() > y.size();
      if (x != y) return x > y;
      continue;
    }
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
      if (lower(a[i]) != lower(b[i])) return lower(a[i]) > lower(b[i]);
    }
    if (a.size() != b.size()) return a.size() > b.size();
  }
}

std::optional<UpdateMessage> UpdateCheckMessage(std::string_view list, std::u16string_view running) {
  const std::optional<ProductLine> product = FindProductLine(list);
  if (!product) return std::nullopt;
  UpdateMessage message;
  message.caption = product->name;
  // Only a newer version is an update; a server that lists an older one does not offer a downgrade.
  message.updateAvailable = IsNewerVersion(product->version, running);
  message.text = message.updateAvailable ? lang::GetText(kUpdateAvailableText) + u" " + product->version
                                         : product->name + u" " + lang::GetText(kUpToDateText);
  return message;
}

}  // namespace tarnq::appcore
