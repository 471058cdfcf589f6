// SPDX-License-Identifier: GPL-3.0-or-later
// Network locations of the desktop (GIO and its gvfs daemons): connect to a location given as a
// URI ("smb://server/share", "sftp://host/folder"), list the network mounts, unmount one.
//
// MountLocation, ListNetworkMounts and UnmountLocation wait for the desktop's answer, which may
// take as long as the network does: call them on a worker thread, never on the user-interface
// thread. Each call runs GIO's replies on a private main context of the calling thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnq::platform {

// Whether the desktop can mount network locations at all: GIO runs with a virtual file system
// that knows a scheme beside "file" (without the gvfs daemons it knows none).
bool NetworkMountsSupported();

struct NetworkMount {
  std::string name;  // what the desktop calls it ("share on server")
  std::string uri;   // its root ("smb://server/share/")
};

// The mounts whose root is not a local file system, in the desktop's order.
std::vector<NetworkMount> ListNetworkMounts();

struct NetworkResult {
  bool ok = false;
  std::string message;  // the desktop's reason when not ok (UTF-8)
};

// Lets another thread end a waiting MountLocation or UnmountLocation early: the call returns (not
// ok) as soon as the desktop has taken back its request. Once cancelled it stays cancelled.
class NetworkCancel {
 public:
  NetworkCancel();
  ~NetworkCancel();
  NetworkCancel(const NetworkCancel&) = delete;
  NetworkCancel& operator=(const NetworkCancel&) = delete;
  void Cancel();  // any thread
  bool Cancelled() const;
  void* Handle() const { return m_handle; }  // the GIO side's own object

 private:
  void* m_handle;
};

// Mounts the location that holds `uri`; a location that is mounted already counts as done.
NetworkResult MountLocation(std::string_view uri, const NetworkCancel* cancel = nullptr);
// Unmounts the mount that holds `uri`.
NetworkResult UnmountLocation(std::string_view uri, const NetworkCancel* cancel = nullptr);

// "scheme://rest" with a scheme of letters, digits, "+", "-", "." that begins with a letter, and
// no control characters: what MountLocation can be handed.
bool LooksLikeLocationUri(std::string_view uri);

}  // namespace tarnq::platform
