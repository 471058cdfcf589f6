// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/player.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "player/capture_output.h"
#include "player/wav_slot.h"
#include "temp_folder.h"
#include "wav_fixture.h"

namespace tarnq::player {
namespace {

using namespace std::chrono_literals;
constexpr auto kPatience = 20s;  // only against a hang; never a measure of speed

// Records what the owner hears; may block the player thread on one state to hold it still.
struct Recorder {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<PlayerNotification> heard;
  bool holdOnPause = false;
  bool released = false;

  std::shared_ptr<PlayerOwner> Owner(platform::UiDispatcher& dispatcher) {
    auto owner = std::make_shared<PlayerOwner>();
    owner->dispatcher = &dispatcher;
    owner->handler = [this](const PlayerNotification& n) {
      std::unique_lock lock(mutex);
      heard.push_back(n);
      changed.notify_all();
      if (holdOnPause && n.kind == PlayerNotification::Kind::kState && n.value == int(PlayState::kPaused)) {
        changed.wait(lock, [&] { return released; });
      }
    };
    return owner;
  }
  bool WaitForState(PlayState state, size_t count = 1) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, kPatience, [&] {
      size_t seen = 0;
      for (const auto& n : heard) seen += n.kind == PlayerNotification::Kind::kState && n.value == int(state);
      return seen >= count;
    });
  }
  // The last kStopped heard (a default notification when there was none).
  PlayerNotification LastStop() {
    std::lock_guard lock(mutex);
    for (auto it = heard.rbegin(); it != heard.rend(); ++it) {
      if (it->kind == PlayerNotification::Kind::kState && it->value == int(PlayState::kStopped)) return *it;
    }
    return {};
  }
  std::vector<int64_t> States() {
    std::lock_guard lock(mutex);
    std::vector<int64_t> out;
    for (const auto& n : heard) if (n.kind == PlayerNotification::Kind::kState) out.push_back(n.value);
    return out;
  }
};

// A WAV slot that notes the seeks it carries out.
class NotingSlot final : public DecoderSlot {
 public:
  std::u16string_view Masks() const override { return u"*.WAV"; }
  uint32_t FileLength(std::u16string_view path) override { return m_wav.FileLength(path); }
  uint32_t Open(std::u16string_view path, OpenedStream& s, std::string& e) override { return m_wav.Open(path, s, e); }
  void Close() override { m_wav.Close(); }
  size_t Read(std::span<uint8_t> buffer, bool& more) override { return m_wav.Read(buffer, more); }
  bool CanSeek() const override { return true; }
  bool Seek(uint64_t n, uint64_t d) override {
    seeks->push_back({n, d});
    return m_wav.Seek(n, d);
  }
  uint64_t Position() const override { return m_wav.Position(); }
  std::vector<std::pair<uint64_t, uint64_t>>* seeks = nullptr;  // read after the player is gone

 private:
  WavSlot m_wav;
};

struct Fixture {
  testing::TempFolder dir;
  CaptureOutput output;
  platform::DirectDispatcher dispatcher;
  Recorder recorder;
  std::string samples;
  std::vector<std::pair<uint64_t, uint64_t>> seeks;
  std::unique_ptr<Player> player;

  // 44.1 kHz stereo: 16 output buffers hold about 3 s, so a long file is never queued whole.
  explicit Fixture(double seconds) {
    samples = testing::Ramp16(static_cast<size_t>(seconds * 44100) * 2);
    dir.Write("song.wav", testing::WavFile({1, 2, 44100, 16}, samples));
    SlotTable slots = MakeBuiltInSlots();
    auto noted = std::make_unique<NotingSlot>();
    noted->seeks = &seeks;
    slots.decoders[kFirstPluginSlot] = std::move(noted);
    slots.output = &output;
    player = std::make_unique<Player>(std::move(slots));
    player->SetOwner(recorder.Owner(dispatcher));
  }
  std::vector<uint8_t> Bytes(size_t from, size_t count) const {
    return std::vector<uint8_t>(samples.begin() + static_cast<ptrdiff_t>(from),
                                samples.begin() + static_cast<ptrdiff_t>(from + count));
  }
  // Plays the clock until the owner hears `state`.
  bool PlayUntil(PlayState state, size_t count = 1) {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < end) {
      output.Advance(8192);
      const auto states = recorder.States();
      if (static_cast<size_t>(std::count(states.begin(), states.end(), int(state))) >= count) return true;
      std::this_thread::sleep_for(1ms);
    }
    return false;
  }
};

TEST(Player, PlaysAFileToItsEndAtTheVolumeSet) {
  Fixture f(4.0);
  f.player->SetVolume(kUnityVolume);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  ASSERT_TRUE(f.PlayUntil(PlayState::kStopped));
  EXPECT_EQ(f.output.Captured(), f.Bytes(0, f.samples.size()));
  EXPECT_EQ(f.recorder.States(), (std::vector<int64_t>{3, 1, 4}));

  // Play after the end opens the file again from the start, now at volume 0.
  f.output.Clear();
  f.player->SetVolume(0);
  f.player->Play();
  ASSERT_TRUE(f.PlayUntil(PlayState::kEnded, 2));
  const auto silent = f.output.Captured();
  EXPECT_EQ(silent.size(), f.samples.size());
  EXPECT_EQ(std::count(silent.begin(), silent.end(), 0), static_cast<ptrdiff_t>(silent.size()));
}

// The decoder has delivered its last data but the device still holds the last seconds: a seek
// there plays on from the new place instead of being ignored.
TEST(Player, SeeksWhileTheLastSecondsPlay) {
  Fixture f(6.0);
  f.player->SetVolume(kUnityVolume);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  ASSERT_TRUE(f.PlayUntil(PlayState::kEnded));
  f.output.Clear();
  f.player->Seek(0, 1);
  ASSERT_TRUE(f.PlayUntil(PlayState::kStopped));
  EXPECT_EQ(f.output.Captured(), f.Bytes(0, f.samples.size()));
  EXPECT_EQ(f.recorder.States(), (std::vector<int64_t>{3, 1, 3, 1, 4}));
}

TEST(Player, CarriesOutOnlyTheLastOfQueuedSeeks) {
  Fixture f(10.0);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav"), kFirstPluginSlot).error, 0u);
  f.player->SetVolume(kUnityVolume);
  f.player->Play();
  const size_t ring = kOutputBufferCount * kOutputBufferBytes;
  ASSERT_TRUE(f.output.WaitForCaptured(ring, kPatience));
  {
    std::lock_guard lock(f.recorder.mutex);
    f.recorder.holdOnPause = true;
  }
  f.player->Pause();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kPaused));  // the player thread waits in the owner
  f.player->Seek(1, 4);
  f.player->Seek(1, 2);
  {
    std::lock_guard lock(f.recorder.mutex);
    f.recorder.released = true;
  }
  f.recorder.changed.notify_all();
  // The ring is refilled from the middle while paused; nothing is played.
  ASSERT_TRUE(f.output.WaitForCaptured(2 * ring, kPatience));
  EXPECT_TRUE(f.output.IsPaused());
  EXPECT_EQ(f.output.Captured().size(), 2 * ring);
  const auto captured = f.output.Captured();
  EXPECT_EQ(std::vector<uint8_t>(captured.begin() + ring, captured.begin() + ring + 64),
            f.Bytes(f.samples.size() / 2, 64));
  f.player.reset();
  EXPECT_EQ(f.seeks, (std::vector<std::pair<uint64_t, uint64_t>>{{1, 2}}));
}

// The ticker counts the seconds the output has played, and the seek bar follows them.
TEST(Player, ReportsThePlayedPosition) {
  Fixture f(4.0);
  f.player->SetSeekScale(100);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  ASSERT_TRUE(f.output.WaitForCaptured(kOutputBufferCount * kOutputBufferBytes, kPatience));  // about 3 s
  f.output.Advance(2 * 44100);
  const auto end = std::chrono::steady_clock::now() + kPatience;
  bool atTwo = false;
  while (!atTwo && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(5ms);
    std::lock_guard lock(f.recorder.mutex);
    for (const auto& n : f.recorder.heard) atTwo |= n.kind == PlayerNotification::Kind::kSeekBar && n.value == 50;
  }
  ASSERT_TRUE(atTwo);
  std::lock_guard lock(f.recorder.mutex);
  std::vector<int64_t> positions;
  for (const auto& n : f.recorder.heard) {
    if (n.kind == PlayerNotification::Kind::kPosition) positions.push_back(n.value);
  }
  EXPECT_EQ(positions.back(), 2);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
}

TEST(Player, StopsAtOnceWithoutADevice) {
  Fixture f(1.0);
  f.output.SetNoDevice(true);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kStopped));
  EXPECT_TRUE(f.output.Captured().empty());
  const PlayerNotification stop = f.recorder.LastStop();
  EXPECT_EQ(stop.cause, StopCause::kNoDevice);
  EXPECT_EQ(stop.detail, "no sound output device");
}

// A device that goes away mid-play never leaves the player waiting for buffers to finish: the
// owner hears stopped (not ended), and the next Play opens the output again.
TEST(Player, StopsWhenTheDeviceGoesAwayWhilePlaying) {
  Fixture f(6.0);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kPlaying));
  ASSERT_TRUE(f.output.WaitForCaptured(kOutputBufferBytes, kPatience));
  f.output.Advance(44100);
  f.output.Disconnect();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kStopped));
  EXPECT_EQ(f.recorder.States(), (std::vector<int64_t>{3, 4}));
  EXPECT_EQ(f.recorder.LastStop().cause, StopCause::kDeviceLost);
  EXPECT_EQ(f.recorder.LastStop().detail, "the sound device went away");
  f.player->Play();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kPlaying, 2));
  EXPECT_EQ(f.output.OpenCount(), 2);
  EXPECT_TRUE(f.output.IsOpen());
}

TEST(Player, LoadFailuresSayWhy) {
  Fixture f(1.0);
  f.dir.Write("bad.wav", "RIFF....WAVEjunk");
  f.dir.Write("x.txt", "text");
  EXPECT_EQ(f.player->LoadFile(f.dir.Path("none.wav")).error, platform::err::kFileNotFound);
  EXPECT_EQ(f.player->LoadFile(f.dir.Path("bad.wav")).message, "no format chunk");
  EXPECT_EQ(f.player->LoadFile(f.dir.Path("x.txt")).message, "no decoder takes this file");
  EXPECT_TRUE(f.player->LoadFile(f.dir.Path("x.txt")).noDecoder);
  EXPECT_FALSE(f.player->LoadFile(f.dir.Path("bad.wav")).noDecoder) << "a decoder is there; the file is bad";
  EXPECT_EQ(f.player->LoadFile(f.dir.Path("song.wav"), kDecoderSlotCount - 1).message, "no decoder takes this file");
  // A slot that is there but cannot read the file says why.
  EXPECT_EQ(f.player->LoadFile(f.dir.Path("song.wav"), kWmaSlot).message, "not a WMA file (no readable ASF header)");
}

// Paused while the output plays the last data the decoder delivered, Play goes on with that
// data: the file is not opened again behind it.
TEST(Player, ResumesThePlayOutWithoutStartingTheFileAgain) {
  Fixture f(1.0);  // fits the output's buffers at once
  f.player->SetVolume(kUnityVolume);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kEnded));
  f.player->Pause();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kPaused));
  f.player->Play();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kPlaying, 2));
  ASSERT_TRUE(f.PlayUntil(PlayState::kStopped));
  EXPECT_EQ(f.output.Captured(), f.Bytes(0, f.samples.size()));
}

// Play after Stop opens the file again; when it has gone meanwhile, the owner hears why.
TEST(Player, SaysWhyAFileGoneSinceItsLoadCannotPlayAgain) {
  Fixture f(1.0);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kPlaying));
  f.player->Stop();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kStopped));
  EXPECT_EQ(f.recorder.LastStop().cause, StopCause::kOrdinary);
  ASSERT_EQ(platform::RemoveFile(f.dir.Path("song.wav")), 0u);
  f.player->Play();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kStopped, 2));
  EXPECT_EQ(f.recorder.LastStop().cause, StopCause::kCannotReopen);
  EXPECT_FALSE(f.recorder.LastStop().detail.empty());
}

// The info record carries the stream's exact length, so another file can start at the same second.
TEST(Player, InfoCarriesTheExactLength) {
  Fixture f(4.0);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->RequestInfo();
  std::shared_ptr<const InfoRecord> info;
  const auto end = std::chrono::steady_clock::now() + kPatience;
  while (info == nullptr && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(1ms);
    std::lock_guard lock(f.recorder.mutex);
    for (const auto& n : f.recorder.heard) if (n.kind == PlayerNotification::Kind::kInfo) info = n.info;
  }
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->lengthFrames, 4u * 44100u);
  EXPECT_EQ(info->frameRate, 44100u);
  EXPECT_EQ(info->tag.duration, 4u);
}

TEST(Player, RefusesASecondOwner) {
  Fixture f(1.0);
  Recorder other;
  f.player->SetOwner(other.Owner(f.dispatcher));
  ASSERT_TRUE(other.WaitForState(PlayState::kStopped));
  EXPECT_EQ(other.LastStop().cause, StopCause::kRefused);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  ASSERT_TRUE(f.recorder.WaitForState(PlayState::kPlaying));
  EXPECT_EQ(other.States(), (std::vector<int64_t>{4}));
}

// Messages from another thread while the clock runs, then the player is destroyed mid-play.
TEST(Player, SurvivesAStormOfMessagesAndShutdownWhilePlaying) {
  Fixture f(6.0);
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  std::atomic<bool> done = false;
  std::thread clock([&] {
    while (!done) {
      f.output.Advance(4096);
      std::this_thread::yield();
    }
  });
  std::thread storm([&] {
    std::mt19937 random(19);
    for (int i = 0; i < 3000; ++i) {
      switch (random() % 7) {
        case 0: f.player->Play(); break;
        case 1: f.player->Pause(); break;
        case 2: f.player->Seek(random() % 101, 100); break;
        case 3: f.player->Stop(); break;
        case 4: f.player->SetVolume(static_cast<int>(random() % 300) - 20); break;
        case 5: f.player->RequestInfo(); break;
        default: f.player->Play(random() % 5, 4); break;
      }
    }
  });
  storm.join();
  done = true;
  clock.join();
  // A load waits for every message before it, so after it the thread is past the storm.
  EXPECT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  const auto before = f.recorder.States();
  f.player->Play();
  EXPECT_TRUE(f.recorder.WaitForState(PlayState::kPlaying, std::count(before.begin(), before.end(), 3) + 1));
  EXPECT_EQ(f.recorder.States().back(), int(PlayState::kPlaying));
  EXPECT_TRUE(f.output.IsOpen());
  f.player.reset();  // while playing
  EXPECT_FALSE(f.output.IsOpen());
}

// Loads, plays and seeks from several threads at once while the clock runs: every load is
// answered, and afterwards the player still plays the file from its start.
TEST(Player, TakesLoadsFromSeveralThreadsWhilePlaying) {
  Fixture f(4.0);
  f.dir.Write("bad.wav", "RIFF....WAVEjunk");
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.player->Play();
  std::atomic<bool> done = false;
  std::thread clock([&] {
    while (!done) {
      f.output.Advance(2048);
      std::this_thread::yield();
    }
  });
  std::atomic<int> answered = 0, loaded = 0;
  auto caller = [&](unsigned seed) {
    std::mt19937 random(seed);
    for (int i = 0; i < 60; ++i) {
      const bool good = random() % 3 != 0;
      const LoadResult r = f.player->LoadFile(f.dir.Path(good ? "song.wav" : "bad.wav"));
      ++answered;
      loaded += r.error == 0;
      EXPECT_EQ(r.error == 0, good);
      f.player->Play(random() % 4, 4);
      f.player->Seek(random() % 100, 100);
    }
  };
  std::thread a(caller, 1), b(caller, 2);
  a.join();
  b.join();
  done = true;
  clock.join();
  EXPECT_EQ(answered, 120);
  f.player->Stop();
  ASSERT_EQ(f.player->LoadFile(f.dir.Path("song.wav")).error, 0u);
  f.output.Clear();
  f.player->SetVolume(kUnityVolume);
  f.player->Play();
  ASSERT_TRUE(f.output.WaitForCaptured(64, kPatience));
  const auto captured = f.output.Captured();
  EXPECT_EQ(std::vector<uint8_t>(captured.begin(), captured.begin() + 64), f.Bytes(0, 64));  // from the start
  EXPECT_TRUE(f.output.IsOpen());
}

}  // namespace
}  // namespace tarnq::player
