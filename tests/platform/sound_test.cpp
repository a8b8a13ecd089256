// Sound on Linux: sound files in every encoding, sound names, the choice of sink, and playback
// through ALSA devices of the test's own configuration.
#include "platform/sound.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/posix/sound_alsa.h"
#include "platform/posix/sound_file.h"
#include "platform/posix/sound_sink.h"
#include "platform/trace.h"

// ALSA's null device reports no delay even for frames it was never started to play, where a real
// device keeps them until it is started: modelled here, so that a play that never starts its
// device shows.
extern "C" int snd_pcm_delay(snd_pcm_t *pcm, snd_pcm_sframes_t *delay) {
  static const auto real = reinterpret_cast<int (*)(snd_pcm_t *, snd_pcm_sframes_t *)>(
      dlsym(RTLD_NEXT, "snd_pcm_delay"));
  const int result = real(pcm, delay);
  if (result == 0 && snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) *delay = 1;
  return result;
}

namespace bcr::platform {
namespace {

namespace fs = std::filesystem;

const fs::path kShippedSounds = BCR_SOUNDS_DIR;

// Writes frames of a sound in the given libsndfile format: a ramp of its own on each channel.
bool WriteSound(const std::string &path, int format, int rate, int channels, int frames) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  std::vector<int16_t> samples;
  for (int i = 0; i < frames * channels; ++i) {
    samples.push_back(static_cast<int16_t>((i * (97 + i % channels * 31)) % 16000 - 8000));
  }
  bool written = sf_writef_short(file, samples.data(), frames) == frames;
  return sf_close(file) == 0 && written;
}

// The file's samples as libsndfile reads them in 16 bits, the test's own reading.
std::vector<int16_t> ReadBack(const std::string &path) {
  SF_INFO info{};
  SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  std::vector<int16_t> samples(static_cast<size_t>(info.frames * info.channels));
  samples.resize(static_cast<size_t>(sf_readf_short(file, samples.data(), info.frames)) *
                 static_cast<size_t>(info.channels));
  sf_close(file);
  return samples;
}

TEST(ShippedSounds, AreShortDistinctMonoFiles) {
  std::vector<std::vector<int16_t>> seen;
  for (const char *name : {"Default", "Hwandsw", "MenuPop", "MsgBox_CE", "Notify_CE", "VoicBeep",
                           "Alarm2", "Alarm3_CE", "LowBatt_CE"}) {
    PcmSound sound;
    std::string why;
    ASSERT_TRUE(
        ReadSoundFile((kShippedSounds / (std::string(name) + ".wav")).string(), &sound, &why))
        << name << ": " << why;
    EXPECT_EQ(sound.channels, 1u) << name;
    double seconds = static_cast<double>(sound.FrameCount()) / sound.sampleRate;
    EXPECT_TRUE(seconds >= 0.1 && seconds <= 0.4) << name << " " << seconds;
    for (const auto &other : seen) EXPECT_NE(sound.samples, other) << name;
    seen.push_back(sound.samples);
  }
}

TEST(SoundNames, TerminalNamesMapIntoTheSoundFolder) {
  char pattern[] = "/tmp/bcr-sound-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string dir = pattern;
  fs::create_directory(dir + "/sub");
  for (const char *file : {"/Hwandsw.wav", "/Exact", "/Exact.wav", "/sub/Deep.wav"}) {
    std::ofstream(dir + file).put('x');
  }
  EXPECT_EQ(SoundFilePath("\\Windows\\Hwandsw", dir), dir + "/Hwandsw.wav");
  EXPECT_EQ(SoundFilePath("\\WINDOWS\\Hwandsw", dir), dir + "/Hwandsw.wav");
  EXPECT_EQ(SoundFilePath("\\Windows\\Exact", dir), dir + "/Exact");
  EXPECT_EQ(SoundFilePath("\\Windows\\sub\\Deep", dir), dir + "/sub/Deep.wav");
  EXPECT_EQ(SoundFilePath("\\Windows\\Missing", dir), dir + "/Missing");
  EXPECT_EQ(SoundFilePath("/opt/sounds/x.wav", dir), "/opt/sounds/x.wav");
  EXPECT_EQ(SoundFilePath("\\Windowsx\\Hwandsw", dir), "\\Windowsx\\Hwandsw");
  fs::remove_all(dir);

  WString name;
  name.AssignNarrow("\\Windows\\A\xE9");
  name.AppendUnit(0);
  name.AppendUnit(0x20AC);
  EXPECT_EQ(SoundNameText(name), "\\Windows\\A\xE9");  // ends at the zero; bytes stay bytes

  // Larger units in UTF-8, a pair as one character, a lone surrogate as U+FFFD.
  WString wide;
  for (uint16_t unit : {0x20AC, 0x41, 0xD83D, 0xDE00, 0x42, 0xDC00}) wide.AppendUnit(unit);
  EXPECT_EQ(SoundNameText(wide),
            "\xE2\x82\xAC"
            "A\xF0\x9F\x98\x80"
            "B\xEF\xBF\xBD");
}

TEST(SoundSinks, TheSettingChoosesTheSink) {
  bool (*const noCard)() = [] { return false; };
  bool (*const aCard)() = [] { return true; };
  struct Case {
    const char *setting;
    bool (*card)();
    SoundSink::Kind kind;
    const char *target;
  } const cases[] = {
      {nullptr, noCard, SoundSink::kNone, ""},
      {"", aCard, SoundSink::kAlsa, "default"},
      {"none", aCard, SoundSink::kNone, ""},
      {"alsa", noCard, SoundSink::kAlsa, "default"},
      {"alsa:", noCard, SoundSink::kAlsa, "default"},
      {"alsa:hw:1,0", noCard, SoundSink::kAlsa, "hw:1,0"},
      {"record:/a b", aCard, SoundSink::kRecord, "/a b"},
      {"alsax", aCard, SoundSink::kNone, ""},
  };
  for (const Case &c : cases) {
    SoundSink sink = ChooseSoundSink(c.setting, c.card);
    EXPECT_EQ(sink.kind, c.kind) << (c.setting ? c.setting : "(unset)");
    EXPECT_EQ(sink.target, c.target) << (c.setting ? c.setting : "(unset)");
  }
}

// ALSA with a configuration of the test's own, so that no sound card is needed: the null device,
// and "capture", a file device over it that writes every sample it is given to device.raw.
class NullDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/bcr-sound-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::ofstream(dir_ + "/asound.conf")
        << "pcm.null { type null }\n"
        << "pcm.capture { type file slave.pcm null file \"" << Device() << "\" format raw }\n";
    setenv("ALSA_CONFIG_PATH", (dir_ + "/asound.conf").c_str(), 1);
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, "null", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
      GTEST_SKIP() << "ALSA's null device cannot be opened here";
    }
    snd_pcm_close(pcm);
    setenv("BCREADER_SOUND_DIR", kShippedSounds.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("ALSA_CONFIG_PATH");
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  std::string Device() const { return dir_ + "/device.raw"; }
  // What reached the capture device, as the samples the player handed it.
  std::vector<int16_t> Captured() const {
    std::ifstream in(Device(), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
  }
  std::string Sound(const char *name, int format, int rate, int channels, int frames) {
    std::string path = dir_ + "/" + name;
    EXPECT_TRUE(WriteSound(path, format, rate, channels, frames)) << name;
    return path;
  }
  static bool Play(const std::string &name, const char *device = "null") {
    WString text;
    text.AssignNarrow(name.c_str());
    return SinkPlay({SoundSink::kAlsa, device}, text, kSoundPlayFile);
  }
  // Starts a play of seconds of 8000 Hz mono on another thread and waits until it holds the sound.
  std::future<bool> PlayLong(int seconds) {
    std::string file = Sound("long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, seconds * 8000);
    auto player = std::async(std::launch::async, [file] { return Play(file); });
    uint64_t end = NowMs() + 3000;
    while (!AlsaPlaying() && NowMs() < end) Sleep(2);
    EXPECT_TRUE(AlsaPlaying());
    return player;
  }
  std::string dir_;
};

TEST_F(NullDevice, EveryEncodingReachesTheDeviceAsTheFileHoldsItForItsLength) {
  const struct {
    const char *name;
    int format, rate, channels;
  } encodings[] = {
      {"8-bit PCM", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1},
      {"16-bit PCM", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2},
      {"24-bit PCM, extensible", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 48000, 2},
      {"32-bit PCM", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 22050, 1},
      {"IEEE float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 32000, 2},
      {"mu-law", SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000, 1},
      {"A-law", SF_FORMAT_WAV | SF_FORMAT_ALAW, 11025, 2},
      {"IMA ADPCM", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 16000, 1},
      {"MS ADPCM", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 22050, 2},
      {"16-bit PCM, extensible", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 12000, 1},
  };
  for (const auto &e : encodings) {
    SCOPED_TRACE(e.name);
    const int frames = e.rate / 4;  // longer than one write to the device
    std::string file = Sound("sound.wav", e.format, e.rate, e.channels, frames);
    std::vector<int16_t> expected = ReadBack(file);
    ASSERT_GE(expected.size(), static_cast<size_t>(frames * e.channels));
    fs::remove(Device());
    uint64_t start = NowMs();
    EXPECT_TRUE(Play(file, "capture"));
    EXPECT_GE(NowMs() - start, expected.size() / e.channels * 1000 / e.rate);
    EXPECT_TRUE(Captured() == expected) << Captured().size() << " of " << expected.size();
  }
}

TEST_F(NullDevice, PlaysShippedSoundsForTheirLengthAndNothingUnreadable) {
  uint64_t start = NowMs();
  EXPECT_TRUE(Play("\\Windows\\Hwandsw"));  // 0.12 s
  EXPECT_GE(NowMs() - start, 100u);
  // 30 ms, shorter than the device's buffer: the device is started by the play, not by its fill.
  EXPECT_TRUE(Play(Sound("short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 240)));

  std::string cut = Sound("cut.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 400);
  fs::resize_file(cut, fs::file_size(cut) - 10);
  std::ofstream(dir_ + "/text.wav") << "RIFF, but not a sound";
  std::ofstream(dir_ + "/empty.wav").flush();
  ASSERT_EQ(mkfifo((dir_ + "/fifo.wav").c_str(), 0600), 0);  // never waited on for a writer
  const std::string trace = dir_ + "/trace";
  setenv("BCREADER_TRACE", trace.c_str(), 1);
  TraceConfigure();
  testing::internal::CaptureStderr();
  for (int round = 0; round < 2; ++round) {
    for (const std::string &file : {cut, dir_ + "/text.wav", dir_ + "/empty.wav",
                                    dir_ + "/fifo.wav", dir_ + "/missing.wav", dir_}) {
      start = NowMs();
      EXPECT_FALSE(Play(file, "capture")) << file;
      EXPECT_LT(NowMs() - start, 2000u) << file;
    }
  }
  const std::string errors = testing::internal::GetCapturedStderr();
  unsetenv("BCREADER_TRACE");
  TraceConfigure();
  EXPECT_FALSE(fs::exists(Device()));  // the device was never even opened
  // Each file reported once, in both places, with its name.
  std::ifstream in(trace);
  const std::string traced((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const std::string &text : {errors, traced}) {
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6) << text;
    EXPECT_NE(text.find("\"" + cut + "\" cannot be played: its data ends before"),
              std::string::npos);
    EXPECT_NE(text.find("fifo.wav\" cannot be played: not a regular file"), std::string::npos);
  }
  EXPECT_FALSE(Play("\\Windows\\NoSuchSound"));
  EXPECT_TRUE(Play((kShippedSounds / "MenuPop.wav").string()));  // the failures left it free
}

TEST_F(NullDevice, APlayFindsTheDeviceBusyUntilAStopFromAnotherThreadFreesIt) {
  uint64_t start = NowMs();
  std::future<bool> player = PlayLong(8);
  EXPECT_FALSE(Play("\\Windows\\Hwandsw"));  // returns at once
  EXPECT_EQ(player.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
  SinkStop({SoundSink::kAlsa, "null"});
  EXPECT_FALSE(AlsaPlaying());  // the stop returned once the play had let go
  ASSERT_EQ(player.wait_for(std::chrono::seconds(3)), std::future_status::ready);
  EXPECT_FALSE(player.get());
  EXPECT_LT(NowMs() - start, 5000u);
  EXPECT_TRUE(Play("\\Windows\\Hwandsw"));  // what Beeper does: stop, then play at once
  AlsaStop();                               // nothing playing: returns at once
}

}  // namespace
}  // namespace bcr::platform
