// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/plugin_slot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "player/capture_output.h"
#include "player/output_feeder.h"
#include "player/player.h"
#include "plugin/tone.h"
#include "temp_folder.h"

namespace tarnq::player {
namespace {

using namespace std::chrono_literals;
using testing::Tone;
using testing::ToneBytes;
constexpr auto kPatience = 20s;  // only against a hang

Tone MakeTone(int frequency, int rate, int channels, int bits, int ms) {
  Tone tone;
  tone.frequency = frequency;
  tone.rate = rate;
  tone.channels = channels;
  tone.bits = bits;
  tone.ms = ms;
  return tone;
}

// The test plug-in's module-wide misbehaviour, for one test.
class PluginMode {
 public:
  explicit PluginMode(const char* mode) {
    if (*mode != 0) setenv("TARNQ_TEST_PLUGIN", mode, 1);
  }
  ~PluginMode() { unsetenv("TARNQ_TEST_PLUGIN"); }
};

struct PluginFolder {
  testing::TempFolder dir;

  void AddPlugin(const std::string& name) const {
    std::filesystem::copy_file(TARNQ_TEST_INPUT_PLUGIN, dir.Native(name));
  }
  std::u16string AddTone(const std::string& name, const Tone& tone) const {
    dir.Write(name, testing::ToneText(tone));
    return dir.Path(name);
  }
  PluginSlot Slot(const std::string& name = "in_tarnqtest.so") const {
    if (!dir.Exists(name)) AddPlugin(name);
    return PluginSlot({dir.Path(name), u"*.tone"});
  }
};

std::string Names(const std::vector<PluginInfo>& found) {
  std::vector<std::string> names;
  for (const PluginInfo& info : found) names.push_back(platform::Utf16ToUtf8(platform::FileNameOf(info.path)));
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& name : names) out += name + " ";
  return out;
}

// Reads the open stream to its end.
std::string ReadAll(PluginSlot& slot) {
  std::string out;
  std::vector<uint8_t> buffer(5000);
  bool more = true;
  for (int idle = 0; more && idle < 40;) {
    const size_t got = slot.Read(buffer, more);
    out.append(reinterpret_cast<const char*>(buffer.data()), got);
    idle = got == 0 ? idle + 1 : 0;
  }
  return out;
}

TEST(InputPluginDiscovery, FindsInNamesIgnoringCaseButNeverTheWmaPlugin) {
  PluginFolder f;
  for (const char* name : {"in_tone.so", "IN_TONE2.SO", "In_Wm.so", "in_wm.so", "in_tone.so.bak", "xin_tone.so"})
    f.AddPlugin(name);
  f.dir.Write("in_text.so", "not a library");
  std::filesystem::create_directories(f.dir.Native("in_folder.so"));
  const auto found = FindInputPlugins(f.dir.Path());
  EXPECT_EQ(Names(found), "IN_TONE2.SO in_tone.so ");
  for (const PluginInfo& info : found) EXPECT_EQ(info.masks, u"*.tone;*.TNE");
}

TEST(InputPluginDiscovery, LeavesOutModulesThatCannotServe) {
  struct Case {
    const char* mode;
    size_t found;
  };
  for (const Case& c : {Case{"", 1}, {"null-module", 0}, {"throw-module", 0}, {"no-output-plug", 0},
                        {"no-extensions", 0}}) {
    PluginFolder f;
    f.AddPlugin("in_tone.so");
    PluginMode mode(c.mode);
    EXPECT_EQ(FindInputPlugins(f.dir.Path()).size(), c.found) << c.mode;
  }
}

TEST(InputPluginDiscovery, FillsFifteenSlotsWithTheFirstOfSixteenInFolderOrder) {
  PluginFolder f;
  for (int i = 0; i < 16; ++i) f.AddPlugin("in_copy" + std::to_string(i) + ".so");
  std::vector<std::u16string> listed;
  platform::ListDirectory(f.dir.Path(), [&](const platform::DirEntry& e) {
    if (e.name != u"." && e.name != u"..") listed.push_back(platform::JoinPath(f.dir.Path(), e.name));
    return true;
  });
  SlotTable table;
  EXPECT_EQ(AddInputPlugins(table, f.dir.Path()), kMaxPlugins);
  for (int i = 0; i < kMaxPlugins; ++i) {
    auto* slot = dynamic_cast<PluginSlot*>(table.decoders[kFirstPluginSlot + i].get());
    ASSERT_NE(slot, nullptr) << i;
    EXPECT_EQ(slot->Path(), listed[static_cast<size_t>(i)]) << i;
  }
  // Each copy is a plug-in of its own: the last of them plays a file.
  const std::u16string tone = f.AddTone("a.tone", Tone{});
  EXPECT_EQ(table.ChooseSlot(tone), kFirstPluginSlot);
  OpenedStream stream;
  std::string error;
  EXPECT_EQ(table.decoders[kDecoderSlotCount - 1]->Open(tone, stream, error), 0u) << error;
}

TEST(InputPluginDiscovery, MakesOneMaskOfEachExtension) {
  const std::string longest(30, 'x');
  struct Case {
    std::string extensions;
    std::u16string masks;
  };
  for (const Case& c : {Case{"mp3;MP2", u"*.mp3;*.MP2"}, {" a ; ;b;", u"*.a;*.b"}, {"", u""},
                        {longest + ";" + longest + "y;c", u"*." + platform::Utf8ToUtf16(longest) + u";*.c"}}) {
    EXPECT_EQ(MasksFromExtensions(c.extensions), c.masks) << c.extensions;
  }
}

TEST(PluginSlot, FileLengthFollowsWhatTheModuleReports) {
  struct Case {
    int infoMs;
    const char* title;
    const char* fault;
    uint32_t seconds;
  };
  PluginFolder f;
  PluginSlot slot = f.Slot();
  for (const Case& c : {Case{2500, "", "", 2}, {999, "", "", 1}, {0, "A - B", "", 1}, {0, "", "", 0},
                        {-1, "", "", 0}, {5000, "A - B", "throw-info", 0}}) {
    Tone tone;
    tone.infoMs = c.infoMs;
    tone.title = c.title;
    tone.fault = c.fault;
    EXPECT_EQ(slot.FileLength(f.AddTone("x.tone", tone)), c.seconds) << c.infoMs << " " << c.fault;
    EXPECT_FALSE(slot.IsLoaded());
  }
  EXPECT_EQ(slot.FileLength(f.dir.Path("missing.tone")), 0u);
}

TEST(PluginSlot, DescribesTheFileFromTheModule) {
  PluginFolder f;
  PluginSlot slot = f.Slot();
  Tone tone;
  tone.ms = 2500;
  tone.title = "Some Band - A Song - Live";
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(f.AddTone("x.tone", tone), stream, error), 0u) << error;
  EXPECT_EQ(stream.tag.artist.View(), u"Some Band");
  EXPECT_EQ(stream.tag.title.View(), u"A Song - Live");
  // The description's beginning, as much as the field holds.
  EXPECT_EQ(stream.tag.formatName.View(), std::u16string(u"Tarnq test tones 1.0").substr(0, 15));
  EXPECT_EQ(stream.tag.duration, 2u);
  EXPECT_EQ(stream.format.sampleRate, 8000u);
  EXPECT_EQ(stream.format.lengthFrames, 20000u);
  EXPECT_TRUE(slot.CanSeek());
  slot.Close();
  EXPECT_FALSE(slot.IsLoaded());
}

TEST(PluginSlot, DeliversTheGeneratedPcmForEveryFormatItTakes) {
  PluginFolder f;
  PluginSlot slot = f.Slot();
  for (const Tone& tone : std::initializer_list<Tone>{MakeTone(440, 8000, 1, 16, 1500), MakeTone(1000, 22050, 2, 16, 700), MakeTone(300, 11025, 2, 8, 900)}) {
    OpenedStream stream;
    std::string error;
    ASSERT_EQ(slot.Open(f.AddTone("x.tone", tone), stream, error), 0u) << error;
    EXPECT_EQ(stream.format.channels, tone.channels);
    EXPECT_EQ(stream.format.bitsPerSample, tone.bits);
    EXPECT_EQ(ReadAll(slot), ToneBytes(tone, 0, tone.Frames())) << tone.rate;
    EXPECT_EQ(slot.Position(), tone.Frames());
    slot.Close();
  }
}

TEST(PluginSlot, SeekFlushesAndGoesOnFromTheNewTime) {
  PluginFolder f;
  PluginSlot slot = f.Slot();
  const Tone tone = MakeTone(440, 8000, 2, 16, 3000);
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(f.AddTone("x.tone", tone), stream, error), 0u) << error;
  std::vector<uint8_t> some(4000);
  bool more = true;
  ASSERT_GT(slot.Read(some, more), 0u);
  ASSERT_TRUE(slot.Seek(1, 2));
  EXPECT_EQ(slot.Position(), 12000u);
  EXPECT_EQ(ReadAll(slot), ToneBytes(tone, 12000, tone.Frames() - 12000));
}

TEST(PluginSlot, TakesBlocksLargerThanItsRing) {
  PluginFolder f;
  PluginSlot slot = f.Slot();
  Tone tone = MakeTone(440, 44100, 2, 16, 4000);
  tone.fault = "huge-write";
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(f.AddTone("x.tone", tone), stream, error), 0u) << error;
  EXPECT_EQ(ReadAll(slot), ToneBytes(tone, 0, tone.Frames()));
}

TEST(PluginSlot, AFileTheModuleCannotPlayFailsCleanly) {
  struct Case {
    const char* mode;
    Tone tone;
    const char* reason;
  };
  auto faulty = [](const char* fault) {
    Tone tone;
    tone.fault = fault;
    return tone;
  };
  const Case cases[] = {
      {"", faulty("play-fails"), "cannot play the file"},
      {"", faulty("throw-play"), "failed on the file"},
      {"", faulty("never-open"), "delivered no sound within 2 seconds"},
      {"", faulty("open-24bit"), "offers 24-bit samples in 1 channel(s) at 8000 Hz, which the output cannot take"},
      {"", MakeTone(440, 8000, 6, 16, 1000), "offers 16-bit samples in 6 channel(s)"},
      {"", MakeTone(440, 0, 2, 16, 1000), "at 0 Hz"},
      {"throw-init", Tone{}, "in_tarnqtest.so failed to start"},
      {"no-play", Tone{}, "in_tarnqtest.so gives no usable module"},
  };
  PluginFolder f;
  PluginSlot slot = f.Slot();
  for (const Case& c : cases) {
    {
      PluginMode mode(c.mode);
      OpenedStream stream;
      std::string error;
      EXPECT_NE(slot.Open(f.AddTone("bad.tone", c.tone), stream, error), 0u) << c.reason;
      EXPECT_NE(error.find(c.reason), std::string::npos) << error;
      EXPECT_FALSE(slot.IsLoaded()) << c.reason;
      EXPECT_EQ(CurrentPluginStream(), nullptr) << c.reason;
    }
    // The plug-in plays its next file as if nothing had happened.
    OpenedStream stream;
    std::string error;
    ASSERT_EQ(slot.Open(f.AddTone("good.tone", Tone{}), stream, error), 0u) << c.reason << ": " << error;
    EXPECT_EQ(ReadAll(slot).size(), Tone{}.Frames() * 2) << c.reason;
    slot.Close();
  }
}

TEST(PluginSlot, WhatAModuleWritesAfterStopGoesNowhere) {
  PluginFolder f;
  PluginSlot slot = f.Slot();
  Tone straggler;
  straggler.fault = "straggle";
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(f.AddTone("late.tone", straggler), stream, error), 0u) << error;
  std::vector<uint8_t> some(2000);
  bool more = true;
  ASSERT_GT(slot.Read(some, more), 0u);
  slot.Close();
  OutModule* out = PluginOutputModule();
  char block[64] = {};
  EXPECT_EQ(out->Write(block, sizeof block), 0);
  EXPECT_EQ(out->CanWrite(), -1);

  const Tone tone = MakeTone(500, 8000, 1, 16, 800);
  ASSERT_EQ(slot.Open(f.AddTone("next.tone", tone), stream, error), 0u) << error;
  EXPECT_EQ(ReadAll(slot), ToneBytes(tone, 0, tone.Frames()));
}

TEST(PluginOutput, TakesOnlyFormatsTheOutputCanPlay) {
  struct Case {
    int rate, channels, bits, result;
  };
  OutModule* out = PluginOutputModule();
  for (const Case& c : {Case{44100, 2, 16, 1}, {8000, 1, 8, 1}, {44100, 2, 24, -1}, {44100, 6, 16, -1},
                        {0, 2, 16, -1}, {44100, 0, 16, -1}, {-5, 1, 8, -1}}) {
    auto stream = std::make_shared<PluginStream>();
    SetCurrentPluginStream(stream);
    EXPECT_EQ(out->Open(c.rate, c.channels, c.bits, -1, -1), c.result) << c.rate << " " << c.channels << " " << c.bits;
    PluginFormat format;
    std::string why;
    EXPECT_EQ(stream->WaitForFormat(0ms, format, why),
              c.result == 1 ? PluginStream::FormatState::kReady : PluginStream::FormatState::kRefused);
  }
  SetCurrentPluginStream(nullptr);
}

TEST(PluginOutput, RingRefusesWhatDoesNotFitAndDropsWhatHasNoFormat) {
  auto stream = std::make_shared<PluginStream>();
  SetCurrentPluginStream(stream);
  OutModule* out = PluginOutputModule();
  std::vector<char> block(40000, 7);
  EXPECT_EQ(out->Write(block.data(), 4), 0);  // before Open: nothing to play it as
  EXPECT_EQ(out->CanWrite(), static_cast<int>(kPluginRingBytes));
  ASSERT_EQ(out->Open(8000, 2, 16, -1, -1), 1);
  EXPECT_EQ(out->Write(block.data(), static_cast<int>(block.size())), 0);
  EXPECT_EQ(out->Write(block.data(), static_cast<int>(block.size())), 1);  // no room: try again
  EXPECT_EQ(out->CanWrite(), static_cast<int>(kPluginRingBytes - block.size()));
  EXPECT_EQ(out->Open(44100, 2, 16, -1, -1), -1);  // a new format while playing ends the stream
  std::vector<uint8_t> got(100000);
  bool more = true;
  EXPECT_EQ(stream->Read(got, more, 0ms), block.size());
  EXPECT_EQ(stream->Read(got, more, 0ms), 0u);
  EXPECT_FALSE(more);
  EXPECT_NE(stream->Failure().find("changed to 16-bit samples in 2 channel(s) at 44100 Hz"), std::string::npos);
  SetCurrentPluginStream(nullptr);
}

// A module that stops writing without saying it is done: its file ends all the same.
TEST(PluginSlot, AStreamThatFallsSilentEnds) {
  PluginFolder f;
  PluginSlot slot = f.Slot();
  Tone tone = MakeTone(440, 8000, 1, 16, 600);
  tone.fault = "no-drain";
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(f.AddTone("x.tone", tone), stream, error), 0u) << error;
  OutputFeeder feeder;
  feeder.Start(stream.format);
  CaptureOutput capture(CaptureOutput::Clock::kInstant);
  ASSERT_TRUE(capture.Open(feeder.Format(), nullptr));
  while (feeder.Pump(slot, capture, kUnityVolume)) {
  }
  const auto captured = capture.Captured();
  EXPECT_EQ(std::string(captured.begin(), captured.end()), ToneBytes(tone, 0, tone.Frames()));
}

struct StateRecorder {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int64_t> states;

  std::shared_ptr<PlayerOwner> Owner(platform::UiDispatcher& dispatcher) {
    auto owner = std::make_shared<PlayerOwner>();
    owner->dispatcher = &dispatcher;
    owner->handler = [this](const PlayerNotification& n) {
      if (n.kind != PlayerNotification::Kind::kState) return;
      std::lock_guard lock(mutex);
      states.push_back(n.value);
      changed.notify_all();
    };
    return owner;
  }
  bool WaitFor(PlayState state) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, kPatience, [&] { return std::count(states.begin(), states.end(), int64_t(state)) > 0; });
  }
};

TEST(PluginSlot, ThePlayerFindsThePluginWhenItStartsAndPlaysItsFile) {
  PluginFolder f;
  f.AddPlugin("in_tarnqtest.so");
  const Tone tone = MakeTone(440, 8000, 2, 16, 2000);
  const std::u16string path = f.AddTone("x.tone", tone);
  CaptureOutput output(CaptureOutput::Clock::kInstant);
  platform::DirectDispatcher dispatcher;
  StateRecorder recorder;
  SlotTable slots;
  slots.output = &output;
  slots.pluginFolder = f.dir.Path();
  Player player(std::move(slots));
  player.SetOwner(recorder.Owner(dispatcher));
  player.SetVolume(kUnityVolume);
  ASSERT_EQ(player.LoadFile(path).error, 0u);
  player.Play();
  ASSERT_TRUE(recorder.WaitFor(PlayState::kStopped));
  EXPECT_EQ(recorder.states, (std::vector<int64_t>{3, 1, 4}));
  const auto captured = output.Captured();
  EXPECT_EQ(std::string(captured.begin(), captured.end()), ToneBytes(tone, 0, tone.Frames()));
}

}  // namespace
}  // namespace tarnq::player
