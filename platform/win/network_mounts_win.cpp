// SPDX-License-Identifier: GPL-3.0-or-later
// Network locations on Windows: shares of the Windows network ("smb://server/share" is the share
// "\\server\share"), connected and disconnected through the system's network connections.
#include "platform/network_mounts.h"

#include "platform/win/win_util.h"

#include <winnetwk.h>

#include <atomic>

#include "platform/errors.h"
#include "platform/text.h"

namespace tarnq::platform {
namespace {

std::atomic<bool>* FlagOf(const NetworkCancel* cancel) {
  return cancel == nullptr ? nullptr : static_cast<std::atomic<bool>*>(cancel->Handle());
}

// "smb://server/share/folder" -> "\\server\share"; empty for other schemes or without a share.
std::u16string ShareOf(std::string_view uri) {
  constexpr std::string_view kScheme = "smb://";
  if (!LooksLikeLocationUri(uri) || uri.size() <= kScheme.size()) return {};
  std::string scheme(uri.substr(0, kScheme.size()));
  for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (scheme != kScheme) return {};
  std::string_view rest = uri.substr(kScheme.size());
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos || slash == 0) return {};
  std::string_view share = rest.substr(slash + 1);
  share = share.substr(0, share.find('/'));
  if (share.empty()) return {};
  return u"\\\\" + Utf8ToUtf16(rest.substr(0, slash)) + u"\\" + Utf8ToUtf16(share);
}

NetworkResult Failure(uint32_t code) { return {false, ErrorMessage(code)}; }

}  // namespace

NetworkCancel::NetworkCancel() : m_handle(new std::atomic<bool>(false)) {}
NetworkCancel::~NetworkCancel() { delete static_cast<std::atomic<bool>*>(m_handle); }
void NetworkCancel::Cancel() { static_cast<std::atomic<bool>*>(m_handle)->store(true); }
bool NetworkCancel::Cancelled() const { return static_cast<std::atomic<bool>*>(m_handle)->load(); }

bool NetworkMountsSupported() { return true; }

std::vector<NetworkMount> ListNetworkMounts() {
  std::vector<NetworkMount> out;
  wchar_t drives[4 * 26 + 2];
  const DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(drives)), drives);
  if (n == 0 || n > std::size(drives)) return out;
  for (const wchar_t* drive = drives; *drive != L'\0'; drive += wcslen(drive) + 1) {
    if (GetDriveTypeW(drive) != DRIVE_REMOTE) continue;
    const wchar_t local[3] = {drive[0], L':', L'\0'};
    wchar_t remote[1024];
    DWORD length = static_cast<DWORD>(std::size(remote));
    if (WNetGetConnectionW(local, remote, &length) != NO_ERROR) continue;
    std::u16string unc = win::FromWide(remote);  // "\\server\share"
    NetworkMount mount;
    mount.name = Utf16ToUtf8(win::FromWide(local)) + " (" + Utf16ToUtf8(unc) + ")";
    while (!unc.empty() && unc.front() == u'\\') unc.erase(0, 1);
    for (char16_t& c : unc)
      if (c == u'\\') c = u'/';
    mount.uri = "smb://" + Utf16ToUtf8(unc) + "/";
    out.push_back(std::move(mount));
  }
  return out;
}

NetworkResult MountLocation(std::string_view uri, const NetworkCancel* cancel) {
  const std::u16string share = ShareOf(uri);
  if (share.empty()) return {false, "Only Windows network shares (smb://server/share) can be connected."};
  if (std::atomic<bool>* flag = FlagOf(cancel); flag != nullptr && flag->load()) return Failure(err::kCancelled);
  std::wstring remote = win::WideString(share);
  NETRESOURCEW resource{};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpRemoteName = remote.data();
  const DWORD result = WNetAddConnection2W(&resource, nullptr, nullptr, 0);
  if (result != NO_ERROR && result != ERROR_ALREADY_ASSIGNED && result != ERROR_SESSION_CREDENTIAL_CONFLICT)
    return Failure(result);
  return {true, {}};
}

NetworkResult UnmountLocation(std::string_view uri, const NetworkCancel* cancel) {
  const std::u16string share = ShareOf(uri);
  if (share.empty()) return {false, "Only Windows network shares (smb://server/share) can be disconnected."};
  if (std::atomic<bool>* flag = FlagOf(cancel); flag != nullptr && flag->load()) return Failure(err::kCancelled);
  // Drives connected to the share go with it.
  std::vector<std::wstring> names{win::WideString(share)};
  for (const NetworkMount& mount : ListNetworkMounts())
    if (ShareOf(mount.uri) == share) names.push_back(win::WideString(Utf8ToUtf16(mount.name.substr(0, 2))));
  DWORD first = ERROR_NOT_CONNECTED;
  for (const std::wstring& name : names) {
    const DWORD result = WNetCancelConnection2W(name.c_str(), 0, FALSE);
    if (result == NO_ERROR) first = NO_ERROR;
  }
  if (first != NO_ERROR) return Failure(first);
  return {true, {}};
}

bool LooksLikeLocationUri(std::string_view uri) {
  const size_t colon = uri.find("://");
  if (colon == std::string_view::npos || colon == 0 || colon + 3 >= uri.size()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!alpha(uri[0])) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = uri[i];
    if (!alpha(c) && !digit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  for (const char c : uri)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

}  // namespace tarnq::platform
