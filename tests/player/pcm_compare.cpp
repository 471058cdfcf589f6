// SPDX-License-Identifier: GPL-3.0-or-later
// Compares the player's rendering of a file (a 16-bit WAV file) with a reference decode of the same
// file (raw signed 16-bit little-endian PCM, same rate and channels): finds the alignment within
// +-max-lag frames that matches best and prints the signal-to-noise ratio there.
//
//   pcm_compare OURS.wav REFERENCE.raw [--max-lag FRAMES] [--min-snr DB] [--frames N] [--skip N]
//
// --skip drops the first N frames of both before comparing (a decoder that starts in the middle of
// a stream may need a few frames to settle).
// Prints "lag L frames, SNR S dB over N frames" (S is "inf" for identical samples). Exit status 0,
// or 1 when the SNR is below --min-snr, 2 on bad input.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool ReadFile(const char* path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

std::vector<int16_t> Samples(const uint8_t* p, size_t bytes) {
  std::vector<int16_t> out(bytes / 2);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<int16_t>(p[2 * i] | p[2 * i + 1] << 8);
  return out;
}

// The samples and channel count of a 16-bit PCM WAV file.
bool ReadWav(const std::vector<uint8_t>& wav, std::vector<int16_t>& samples, int& channels) {
  if (wav.size() < 12 || std::memcmp(wav.data(), "RIFF", 4) != 0 || std::memcmp(wav.data() + 8, "WAVE", 4) != 0) {
    return false;
  }
  channels = 0;
  for (size_t at = 12; at + 8 <= wav.size();) {
    const uint32_t size = Le32(wav.data() + at + 4);
    const size_t body = at + 8;
    const size_t length = std::min<size_t>(size, wav.size() - body);
    if (std::memcmp(wav.data() + at, "fmt ", 4) == 0 && length >= 16) {
      channels = wav[body + 2] | wav[body + 3] << 8;
      if ((wav[body + 14] | wav[body + 15] << 8) != 16) return false;
    } else if (std::memcmp(wav.data() + at, "data", 4) == 0) {
      samples = Samples(wav.data() + body, length);
      return channels > 0;
    }
    at = body + size + (size & 1);
  }
  return false;
}

// Error energy of `ours` against `ref` shifted by `lag` frames (ours[i] ~ ref[i + lag]) over at most
// `frames` frames of the overlap, and the reference energy over the same frames.
void Energies(const std::vector<int16_t>& ours, const std::vector<int16_t>& ref, int channels, long lag,
              size_t frames, double& signal, double& noise, size_t& compared) {
  const long oursFrames = static_cast<long>(ours.size()) / channels;
  const long refFrames = static_cast<long>(ref.size()) / channels;
  const long begin = std::max(0L, -lag);
  const long end = std::min({oursFrames, refFrames - lag, begin + static_cast<long>(std::min<size_t>(frames, 1UL << 40))});
  signal = noise = 0;
  compared = 0;
  for (long i = begin; i < end; ++i) {
    for (int c = 0; c < channels; ++c) {
      const double r = ref[static_cast<size_t>((i + lag) * channels + c)];
      const double d = ours[static_cast<size_t>(i * channels + c)] - r;
      signal += r * r;
      noise += d * d;
    }
  }
  if (end > begin) compared = static_cast<size_t>(end - begin);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: pcm_compare OURS.wav REFERENCE.raw [--max-lag FRAMES] [--min-snr DB] [--frames N] [--skip N]\n", stderr);
    return 2;
  }
  long maxLag = 1152;
  double minSnr = -1e9;
  size_t frames = SIZE_MAX;
  size_t skip = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--max-lag") maxLag = std::stol(argv[i + 1]);
    else if (option == "--min-snr") minSnr = std::stod(argv[i + 1]);
    else if (option == "--frames") frames = std::stoul(argv[i + 1]);
    else if (option == "--skip") skip = std::stoul(argv[i + 1]);
    else return std::fprintf(stderr, "pcm_compare: unknown option %s\n", option.c_str()), 2;
  }
  std::vector<uint8_t> wavBytes, rawBytes;
  std::vector<int16_t> ours;
  int channels = 0;
  if (!ReadFile(argv[1], wavBytes) || !ReadWav(wavBytes, ours, channels)) {
    std::fprintf(stderr, "pcm_compare: %s: not a 16-bit PCM WAV file\n", argv[1]);
    return 2;
  }
  if (!ReadFile(argv[2], rawBytes)) {
    std::fprintf(stderr, "pcm_compare: %s: cannot be read\n", argv[2]);
    return 2;
  }
  std::vector<int16_t> ref = Samples(rawBytes.data(), rawBytes.size());
  const size_t skipSamples = skip * static_cast<size_t>(channels);
  ours.erase(ours.begin(), ours.begin() + static_cast<ptrdiff_t>(std::min(skipSamples, ours.size())));
  ref.erase(ref.begin(), ref.begin() + static_cast<ptrdiff_t>(std::min(skipSamples, ref.size())));
  // The alignment is chosen on the first seconds (enough for any real signal), the SNR is then
  // measured over everything both hold.
  const size_t probe = std::min<size_t>(frames, 4 * 48000);
  long bestLag = 0;
  double bestRatio = -1;
  for (long lag = -maxLag; lag <= maxLag; ++lag) {
    double signal, noise;
    size_t compared;
    Energies(ours, ref, channels, lag, probe, signal, noise, compared);
    if (compared * 2 < std::min(probe, ours.size() / channels)) continue;  // too little overlap to judge
    const double ratio = noise / std::max(signal, 1.0);
    if (bestRatio < 0 || ratio < bestRatio) {
      bestRatio = ratio;
      bestLag = lag;
    }
  }
  double signal, noise;
  size_t compared;
  Energies(ours, ref, channels, bestLag, frames, signal, noise, compared);
  if (compared == 0 || signal == 0) {
    std::fprintf(stderr, "pcm_compare: nothing to compare (%zu frames against %zu)\n", ours.size() / channels,
                 ref.size() / channels);
    return 2;
  }
  const double snr = noise == 0 ? INFINITY : 10 * std::log10(signal / noise);
  char snrText[32] = "inf";
  if (!std::isinf(snr)) std::snprintf(snrText, sizeof snrText, "%.1f", snr);
  std::printf("lag %ld frames, SNR %s dB over %zu frames (ours %zu, reference %zu)\n", bestLag, snrText, compared,
              ours.size() / channels, ref.size() / channels);
  return snr >= minSnr ? 0 : 1;
}
