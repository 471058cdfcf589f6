// SPDX-License-Identifier: GPL-3.0-or-later
// A deterministic synthetic music library for the matching benchmarks: artists with a skewed
// number of tracks, titles from a skewed vocabulary, about 20 % of the records copies of another
// one (exact, other letter case, a typo, a slightly different length), a few untagged files.
#pragma once

#include <cstdint>
#include <vector>

#include "records/found_file.h"
#include "records/packed_store.h"

namespace tarnq::bench {

class SyntheticLibrary {
 public:
  SyntheticLibrary(size_t records, uint32_t seed);
  // The records in the order they were made (never sorted here).
  const std::vector<records::FoundFile>& Files() const { return m_files; }
  size_t Copies() const { return m_copies; }

 private:
  records::FoundFileStore m_store;
  std::vector<records::FoundFile> m_files;
  size_t m_copies = 0;
};

}  // namespace tarnq::bench
