// SPDX-License-Identifier: GPL-3.0-or-later
// The folders of the result list's rows, each stored once: a root entry holds a whole folder path,
// a child entry one name under its parent. Indexes are 1-based (0 = none) and stay valid until
// Clear(). Records are packed: 16-bit length, 32-bit parent index, UTF-16 name zero-terminated.
//
// Thread safety: every member takes the table's lock (waited for, re-entrant).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "records/packed_store.h"

namespace tarnq::results {

class FolderTable {
 public:
  static constexpr size_t kMaxNameUnits = 1024;

  // Appends an entry: a whole path with parent 0, or one name under `parent`. Returns its index,
  // or 0 when the name is empty or too long, the parent does not exist, or memory runs out.
  uint32_t Add(std::u16string_view name, uint32_t parent);
  // The index of the entry (name, parent) added before, else 0.
  uint32_t Find(std::u16string_view name, uint32_t parent) const;
  // Find, else Add.
  uint32_t FindOrAdd(std::u16string_view name, uint32_t parent);

  // The full path of `index`: the parent's path, a separator (none when it already ends with one)
  // and the name. Empty for index 0 or out of range.
  std::u16string Path(uint32_t index) const;
  void AppendPath(uint32_t index, std::u16string& out) const;
  uint32_t ParentOf(uint32_t index) const;
  std::u16string NameOf(uint32_t index) const;
  // The name in place: valid until the table is cleared (records never move).
  std::u16string_view NameView(uint32_t index) const;

  uint32_t Count() const;
  void Clear();
  platform::StoreLock& Lock() const { return m_store.Lock(); }

 private:
  static std::u16string Key(std::u16string_view name, uint32_t parent);

  mutable records::PackedStore m_store;
  mutable std::unordered_map<std::u16string, uint32_t> m_index;  // Key(name, parent) -> index
  mutable uint64_t m_indexed = 0;  // entries already in m_index
};

}  // namespace tarnq::results
