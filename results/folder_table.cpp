// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/folder_table.h"

#include <cstring>
#include <vector>

#include "platform/paths.h"

namespace tarnq::results {
namespace {

constexpr size_t kParentOffset = 2;
constexpr size_t kNameOffset = 6;

}  // namespace

std::u16string FolderTable::Key(std::u16string_view name, uint32_t parent) {
  std::u16string key;
  key.reserve(name.size() + 2);
  key.push_back(static_cast<char16_t>(parent & 0xFFFF));
  key.push_back(static_cast<char16_t>(parent >> 16));
  key.append(name);
  return key;
}

uint32_t FolderTable::Add(std::u16string_view name, uint32_t parent) {
  if (name.empty() || name.size() > kMaxNameUnits) return 0;
  platform::StoreGuard guard(m_store.Lock());
  const uint64_t count = m_store.Count();
  if (parent > count || count >= UINT32_MAX) return 0;
  const size_t length = kNameOffset + 2 * (name.size() + 1);
  std::byte record[kNameOffset + 2 * (kMaxNameUnits + 1)];
  const uint16_t length16 = static_cast<uint16_t>(length);
  std::memcpy(record, &length16, 2);
  std::memcpy(record + kParentOffset, &parent, 4);
  std::memcpy(record + kNameOffset, name.data(), 2 * name.size());
  std::memset(record + kNameOffset + 2 * name.size(), 0, 2);
  if (m_store.Append(record, length) != 0) return 0;
  return static_cast<uint32_t>(count + 1);
}

uint32_t FolderTable::Find(std::u16string_view name, uint32_t parent) const {
  platform::StoreGuard guard(m_store.Lock());
  // The index is brought up to date only when somebody looks something up: a search adds
  // thousands of folders and never asks.
  const uint64_t count = m_store.Count();
  for (; m_indexed < count; ++m_indexed) {
    const auto index = static_cast<uint32_t>(m_indexed + 1);
    // The first entry of a pair stays the one found.
    m_index.try_emplace(Key(NameView(index), ParentOf(index)), index);
  }
  const auto it = m_index.find(Key(name, parent));
  return it == m_index.end() ? 0 : it->second;
}

uint32_t FolderTable::FindOrAdd(std::u16string_view name, uint32_t parent) {
  platform::StoreGuard guard(m_store.Lock());
  if (const uint32_t index = Find(name, parent)) return index;
  return Add(name, parent);
}

uint32_t FolderTable::ParentOf(uint32_t index) const {
  if (index == 0) return 0;
  const std::byte* record = m_store.At(index - 1);
  if (record == nullptr) return 0;
  uint32_t parent;
  std::memcpy(&parent, record + kParentOffset, 4);
  return parent;
}

std::u16string_view FolderTable::NameView(uint32_t index) const {
  if (index == 0) return {};
  const std::byte* record = m_store.At(index - 1);
  if (record == nullptr) return {};
  uint16_t length;
  std::memcpy(&length, record, 2);
  const size_t units = length > kNameOffset + 2 ? (length - kNameOffset) / 2 - 1 : 0;
  // Records are 2-byte aligned (even lengths in malloc'ed chunks), so the units can be viewed.
  return {reinterpret_cast<const char16_t*>(record + kNameOffset), units};
}

std::u16string FolderTable::NameOf(uint32_t index) const { return std::u16string(NameView(index)); }

void FolderTable::AppendPath(uint32_t index, std::u16string& out) const {
  if (index == 0 || index > m_store.Count()) return;
  // Parents always have lower indexes (Add checks), so the walk ends. Collect the chain innermost
  // first, then write it outermost first.
  uint32_t chain[64];
  size_t depth = 0;
  std::vector<uint32_t> deeper;  // only for paths nested more than 64 levels
  for (uint32_t i = index; i != 0; i = ParentOf(i)) {
    if (depth < std::size(chain)) chain[depth++] = i;
    else deeper.push_back(i);
  }
  const size_t start = out.size();
  auto appendOne = [&](uint32_t i) {
    if (out.size() > start && !platform::IsSeparator(out.back())) out.push_back(platform::kSeparator);
    out += NameView(i);
  };
  for (size_t k = deeper.size(); k > 0; --k) appendOne(deeper[k - 1]);
  for (size_t k = depth; k > 0; --k) appendOne(chain[k - 1]);
}

std::u16string FolderTable::Path(uint32_t index) const {
  std::u16string path;
  AppendPath(index, path);
  return path;
}

uint32_t FolderTable::Count() const { return static_cast<uint32_t>(m_store.Count()); }

void FolderTable::Clear() {
  platform::StoreGuard guard(m_store.Lock());
  m_store.Clear();
  m_index.clear();
  m_indexed = 0;
}

}  // namespace tarnq::results
