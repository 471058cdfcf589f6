// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/vorbis_comment.h"

#include <string>

namespace tarnq::analysis {
namespace {

bool KeyIs(std::string_view key, std::string_view upper) {
  if (key.size() != upper.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    char c = key[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

bool IsWellFormedUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t length;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      cp = c & 0x07;
    } else {
      return false;  // continuation byte, overlong two-byte lead, or five/six-byte lead
    }
    if (n - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      auto b = static_cast<unsigned char>(bytes[i + k]);
      if (!IsContinuation(b)) return false;
      cp = cp << 6 | (b & 0x3F);
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000)) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    if (cp > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

void ApplyVorbisComment(std::string_view comment, TagRecord& tag, bool strict,
                        VorbisCommentKeysSeen& seen) {
  size_t eq = comment.find('=');
  if (eq == std::string_view::npos) return;
  std::string_view key = comment.substr(0, eq);
  std::string_view value = comment.substr(eq + 1);
  if (strict) {
    for (char ch : key) {
      auto c = static_cast<unsigned char>(ch);
      if (c < 0x20 || c > 0x7D) return;
    }
    if (!IsWellFormedUtf8(value)) return;
  }
  if (KeyIs(key, "TITLE")) {
    tag.title.AssignUtf8(value);
  } else if (KeyIs(key, "ARTIST")) {
    tag.artist.AssignUtf8(value);
  } else if (KeyIs(key, "ALBUM")) {
    tag.album.AssignUtf8(value);
  } else if (KeyIs(key, "GENRE")) {
    tag.genre.AssignUtf8(value);
  } else if (KeyIs(key, "COMMENT")) {
    tag.comment.AssignUtf8(value);
    seen.comment = true;
  } else if (KeyIs(key, "DESCRIPTION")) {
    if (!seen.comment) tag.comment.AssignUtf8(value);
  } else if (KeyIs(key, "TRACKNUMBER") || KeyIs(key, "DATE") || KeyIs(key, "YEAR")) {
    thread_local FixedText<64> scratch;
    scratch.AssignUtf8(value);
    if (KeyIs(key, "TRACKNUMBER")) {
      ParseTrackText(scratch.View(), tag.track, tag.trackTotal);
    } else if (KeyIs(key, "DATE")) {
      tag.year = YearOrZero(ParseDecimal(scratch.View()));
      seen.date = true;
    } else if (!seen.date) {
      tag.year = YearOrZero(ParseDecimal(scratch.View()));
    }
  }
}

}  // namespace tarnq::analysis
