// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/network_mounts.h"

#include <gio/gio.h>

#include <cstring>

#include "platform/errors.h"

namespace tarnq::platform {
namespace {

// A private main context for the calling thread while an operation waits for its reply.
class PrivateContext {
 public:
  PrivateContext() : m_context(g_main_context_new()) { g_main_context_push_thread_default(m_context); }
  ~PrivateContext() {
    g_main_context_pop_thread_default(m_context);
    g_main_context_unref(m_context);
  }
  PrivateContext(const PrivateContext&) = delete;
  PrivateContext& operator=(const PrivateContext&) = delete;
  void RunUntil(const bool& done) {
    while (!done) g_main_context_iteration(m_context, TRUE);
  }

 private:
  GMainContext* m_context;
};

struct Reply {
  bool done = false;
  gboolean ok = FALSE;
  GError* error = nullptr;
};

NetworkResult ResultOf(Reply& reply, bool alreadyIsDone) {
  NetworkResult result;
  result.ok = reply.ok != FALSE;
  if (reply.error != nullptr) {
    if (alreadyIsDone && g_error_matches(reply.error, G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED)) result.ok = true;
    else result.message = reply.error->message;
    g_error_free(reply.error);
    reply.error = nullptr;
  }
  return result;
}

GCancellable* CancellableOf(const NetworkCancel* cancel) {
  return cancel != nullptr ? static_cast<GCancellable*>(cancel->Handle()) : nullptr;
}

NetworkResult CancelledResult() { return {false, ErrorMessage(err::kCancelled)}; }

std::string TakeString(char* text) {
  std::string out = text != nullptr ? text : "";
  g_free(text);
  return out;
}

}  // namespace

NetworkCancel::NetworkCancel() : m_handle(g_cancellable_new()) {}
NetworkCancel::~NetworkCancel() { g_object_unref(static_cast<GCancellable*>(m_handle)); }
void NetworkCancel::Cancel() { g_cancellable_cancel(static_cast<GCancellable*>(m_handle)); }
bool NetworkCancel::Cancelled() const { return g_cancellable_is_cancelled(static_cast<GCancellable*>(m_handle)) != FALSE; }

bool NetworkMountsSupported() {
  GVfs* vfs = g_vfs_get_default();
  if (vfs == nullptr || !g_vfs_is_active(vfs)) return false;
  const gchar* const* schemes = g_vfs_get_supported_uri_schemes(vfs);
  for (; schemes != nullptr && *schemes != nullptr; ++schemes) {
    if (std::strcmp(*schemes, "file") != 0 && std::strcmp(*schemes, "resource") != 0) return true;
  }
  return false;
}

std::vector<NetworkMount> ListNetworkMounts() {
  PrivateContext context;
  std::vector<NetworkMount> out;
  GVolumeMonitor* monitor = g_volume_monitor_get();
  GList* mounts = g_volume_monitor_get_mounts(monitor);
  for (GList* it = mounts; it != nullptr; it = it->next) {
    GMount* mount = G_MOUNT(it->data);
    GFile* root = g_mount_get_root(mount);
    if (!g_file_has_uri_scheme(root, "file")) out.push_back({TakeString(g_mount_get_name(mount)), TakeString(g_file_get_uri(root))});
    g_object_unref(root);
  }
  g_list_free_full(mounts, g_object_unref);
  g_object_unref(monitor);
  return out;
}

NetworkResult MountLocation(std::string_view uri, const NetworkCancel* cancel) {
  if (!LooksLikeLocationUri(uri)) return {false, "not a location"};
  if (cancel != nullptr && cancel->Cancelled()) return CancelledResult();
  PrivateContext context;
  GFile* file = g_file_new_for_uri(std::string(uri).c_str());
  // Asks nothing: a location that wants a password fails with the server's reason.
  GMountOperation* operation = g_mount_operation_new();
  Reply reply;
  g_file_mount_enclosing_volume(
      file, G_MOUNT_MOUNT_NONE, operation, CancellableOf(cancel),
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* r = static_cast<Reply*>(data);
        r->ok = g_file_mount_enclosing_volume_finish(G_FILE(source), result, &r->error);
        r->done = true;
      },
      &reply);
  context.RunUntil(reply.done);
  g_object_unref(operation);
  g_object_unref(file);
  return ResultOf(reply, true);
}

NetworkResult UnmountLocation(std::string_view uri, const NetworkCancel* cancel) {
  if (cancel != nullptr && cancel->Cancelled()) return CancelledResult();
  PrivateContext context;
  GFile* file = g_file_new_for_uri(std::string(uri).c_str());
  GError* error = nullptr;
  GMount* mount = g_file_find_enclosing_mount(file, CancellableOf(cancel), &error);
  g_object_unref(file);
  if (mount == nullptr) {
    NetworkResult result{false, error != nullptr ? error->message : "no mount"};
    if (error != nullptr) g_error_free(error);
    return result;
  }
  Reply reply;
  g_mount_unmount_with_operation(
      mount, G_MOUNT_UNMOUNT_NONE, nullptr, CancellableOf(cancel),
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* r = static_cast<Reply*>(data);
        r->ok = g_mount_unmount_with_operation_finish(G_MOUNT(source), result, &r->error);
        r->done = true;
      },
      &reply);
  context.RunUntil(reply.done);
  g_object_unref(mount);
  return ResultOf(reply, false);
}

bool LooksLikeLocationUri(std::string_view uri) {
  const size_t colon = uri.find("://");
  if (colon == std::string_view::npos || colon == 0 || colon + 3 >= uri.size()) return false;
  if (!g_ascii_isalpha(uri[0])) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = uri[i];
    if (!g_ascii_isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  for (const char c : uri) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace tarnq::platform
