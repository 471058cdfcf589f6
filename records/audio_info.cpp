// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/audio_info.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"
#include "platform/threads.h"

namespace tarnq::records {
namespace {

// Cuts UTF-8 at the first zero byte (it would end the text early in the block) and to at most
// kMaxTextBytes without splitting a character.
std::string_view LimitUtf8(std::string_view text) {
  const size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  if (text.size() <= kMaxTextBytes) return text;
  size_t end = kMaxTextBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::u16string_view LimitUtf16(std::u16string_view text, size_t units) {
  const size_t zero = text.find(u'\0');
  if (zero != std::u16string_view::npos) text = text.substr(0, zero);
  return platform::CutUtf16(text, units);
}

// Conversion buffers reused on each thread (comparisons, block building). Made on first use and
// freed when the thread ends; the thread_local itself is a plain pointer, because registering a
// thread_local's destructor can end the process when memory is short.
struct Scratch {
  std::u16string left, right, type;
  std::string utf8, block;
};
thread_local Scratch* t_scratch = nullptr;

void FreeScratch(void* scratch) {
  delete static_cast<Scratch*>(scratch);
  t_scratch = nullptr;
}

// Throws std::bad_alloc when the buffers cannot be made.
Scratch& ThreadScratch() {
  if (t_scratch == nullptr) {
    t_scratch = new Scratch;
    // Without a free slot the buffers stay for the thread's life and are freed with the process.
    platform::CallAtThreadExit(&FreeScratch, t_scratch);
  }
  return *t_scratch;
}

// Packs six UTF-16 texts with one allocation, the block itself. Text 0 is taken as a composed
// Type text: its limit applies to the description part only, which the composition cut.
char* PackUtf16Texts(const std::array<std::u16string_view, kTextCount>& source) {
  Scratch& scratch = ThreadScratch();
  std::string& block = scratch.block;
  block.clear();
  for (size_t i = 0; i < kTextCount; ++i) {
    const size_t limit = i == kTextType ? std::u16string_view::npos : kTextLimits[i];
    scratch.utf8.clear();
    platform::AppendUtf16ToUtf8(LimitUtf16(source[i], limit), scratch.utf8);
    block += LimitUtf8(scratch.utf8);
    block += '\0';
  }
  char* texts = static_cast<char*>(std::malloc(block.size() + 1));
  if (texts == nullptr) return nullptr;
  std::memcpy(texts, block.data(), block.size());
  texts[block.size()] = '\0';
  return texts;
}

}  // namespace

char* PackTextBlock(const std::array<std::string_view, kTextCount>& utf8Texts) {
  std::array<std::string_view, kTextCount> texts;
  size_t total = 1;
  for (size_t i = 0; i < kTextCount; ++i) {
    texts[i] = LimitUtf8(utf8Texts[i]);
    total += texts[i].size() + 1;
  }
  char* block = static_cast<char*>(std::malloc(total));
  if (block == nullptr) return nullptr;
  char* p = block;
  for (const std::string_view text : texts) {
    if (!text.empty()) std::memcpy(p, text.data(), text.size());
    p += text.size();
    *p++ = '\0';
  }
  *p = '\0';
  return block;
}

std::string_view AudioInfo::TextUtf8(size_t index) const {
  if (texts == nullptr || index >= kTextCount) return {};
  const char* p = texts;
  for (size_t i = 0; i < index; ++i) p += std::strlen(p) + 1;
  return std::string_view(p);
}

std::array<std::string_view, kTextCount> AudioInfo::TextsUtf8() const {
  std::array<std::string_view, kTextCount> all;
  if (texts == nullptr) return all;
  const char* p = texts;
  for (size_t i = 0; i < kTextCount; ++i) {
    all[i] = std::string_view(p);
    p += all[i].size() + 1;
  }
  return all;
}

bool AudioInfo::HasText(size_t index) const { return !TextUtf8(index).empty(); }

void AudioInfo::GetText(size_t index, std::u16string& out, size_t capacity) const {
  out.clear();
  if (capacity == 0) return;
  platform::AppendUtf8ToUtf16(TextUtf8(index), out);
  if (out.size() > capacity - 1) out.resize(platform::CutUtf16(out, capacity - 1).size());
}

std::u16string AudioInfo::GetText(size_t index, size_t capacity) const {
  std::u16string out;
  GetText(index, out, capacity);
  return out;
}

size_t AudioInfo::GetText(size_t index, char16_t* destination, size_t capacity) const {
  if (destination == nullptr || capacity == 0) return 0;
  std::u16string& text = ThreadScratch().left;
  GetText(index, text, capacity);
  std::memcpy(destination, text.data(), text.size() * sizeof(char16_t));
  destination[text.size()] = u'\0';
  return text.size();
}

int AudioInfo::CompareField(const AudioInfo& other, size_t index) const {
  Scratch& scratch = ThreadScratch();
  GetText(index, scratch.left, kCompareCapacity);
  other.GetText(index, scratch.right, kCompareCapacity);
  return platform::CompareText(scratch.left, scratch.right);
}

bool AudioInfo::CopyTo(AudioInfo& target) const {
  const char* sourceTexts = texts;
  target = *this;
  target.texts = nullptr;
  if (sourceTexts == nullptr) return true;
  // The block is already within its limits, so copying its bytes equals rebuilding it.
  target.texts = PackTextBlock(TextsUtf8());
  return target.texts != nullptr;
}

void AudioInfo::Release() {
  std::free(texts);
  texts = nullptr;
}

bool AudioInfo::SetTexts(const std::array<std::u16string_view, kTextCount>& source) {
  char* packed = PackUtf16Texts(source);
  Release();
  texts = packed;
  return texts != nullptr;
}

namespace {

void AppendTypeText(std::u16string_view description, uint32_t sampleRate, uint16_t channels,
                    std::u16string& type) {
  description = LimitUtf16(description, kTextLimits[kTextType]);
  if (description.empty()) return;
  type += description;
  if (sampleRate != 0) {
    type += u", ";
    char digits[16];
    const int n = std::snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(sampleRate));
    for (int i = 0; i < n; ++i) type += static_cast<char16_t>(digits[i]);
    type += u"Hz";
  }
  if (channels == 3) {
    type += u", Joint Stereo";
  } else if (channels > 1) {
    type += u", Stereo";
  }
}

}  // namespace

std::u16string ComposeTypeText(std::u16string_view description, uint32_t sampleRate,
                               uint16_t channels) {
  std::u16string type;
  AppendTypeText(description, sampleRate, channels, type);
  return type;
}

std::string_view CodecName(Codec codec) {
  switch (codec) {
    case Codec::kAac: return "aac";
    case Codec::kAlac: return "alac";
    case Codec::kUnknown:
    case Codec::kOther: break;
  }
  return {};
}

bool AudioInfo::Build(const AudioSource& source) {
  format = WithCodec(source.format, source.codec);
  channels = source.channels;
  track = source.track;
  bpm = source.bpm;
  year = source.year;
  duration = source.duration;
  sampleRate = source.sampleRate;
  bitrate = source.bitrate;
  texts = nullptr;
  std::u16string& type = ThreadScratch().type;
  type.clear();
  AppendTypeText(source.formatName, source.sampleRate, source.channels, type);
  // The composed Type text is not cut again: only its description part has a limit.
  texts = PackUtf16Texts(
      {type, source.genre, source.title, source.artist, source.album, source.comment});
  return texts != nullptr;
}

}  // namespace tarnq::records
