// SPDX-License-Identifier: GPL-3.0-or-later
// The update check (command 204), the part that needs no window and no network: reading the
// product list the front end downloaded, comparing its version with ours and the message to show.
//
// The product list is plain text, one product a line: the two-character product code, the newest
// version, a space and the product's name, e.g. "TS26.02 Twinsong". A line is at most 64 bytes.
// The list comes from a web server, so anything may arrive instead: lines that are too long, hold
// control bytes or no space, or a version of other characters than letters, digits and ". - _ +"
// are skipped, and only the first kMaxProductListBytes are looked at. The product name may still be
// any text: front ends show it as plain text, never as markup.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace tarnq::appcore {

inline constexpr std::string_view kProductCode = "TS";
inline constexpr std::u16string_view kProgramVersion = u"26.01";
inline constexpr size_t kMaxProductLineBytes = 64;
inline constexpr size_t kMaxProductListBytes = 64 * 1024;

// Where the list is downloaded from: key `UpdateUrl` of section `TARNQ` (an http or https
// address). The maker's address is not built in; while the key is not set there is nothing to ask.
inline constexpr std::string_view kUpdateAddressKey = "UpdateUrl";
// The stored address, or "" when none is set or it is not an http(s) address.
std::u16string UpdateListAddress(settings::SettingsStore& store);

struct ProductLine {
  std::u16string version;  // between the code and the first space
  std::u16string name;     // after the first space
};

// The first usable line of `list` that begins with `productCode`; none when the list has none.
std::optional<ProductLine> FindProductLine(std::string_view list, std::string_view productCode = kProductCode);

// True when `offered` is not `running`, compared ignoring case.
bool IsOtherVersion(std::u16string_view offered, std::u16string_view running = kProgramVersion);
// True when `offered` is newer than `running`: runs of digits compare as numbers ("26.10" after
// "26.9"), other runs ignoring case, and a version with more runs after equal ones is newer.
bool IsNewerVersion(std::u16string_view offered, std::u16string_view running = kProgramVersion);

struct UpdateMessage {
  bool updateAvailable = false;
  std::u16string caption;  // the product name from the list
  std::u16string text;     // "An update is available: 26.02" or "Twinsong is up to date."
};

// The message for a downloaded list (texts 1001 and 1003 of the active catalogue); none when the
// list names no version of this product (the check then shows nothing).
std::optional<UpdateMessage> UpdateCheckMessage(std::string_view list,
                                                std::u16string_view running = kProgramVersion);

}  // namespace tarnq::appcore
