// Sound on Linux: wave files, sound names, the choice of sink, the record sink, and playback on
// ALSA's null device.
#include "platform/sound.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/posix/sound_alsa.h"
#include "platform/posix/sound_sink.h"
#include "platform/posix/sound_wav.h"

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
using Bytes = std::vector<uint8_t>;

void Put(Bytes &bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutChunk(Bytes &bytes, const char *tag, const Bytes &body, uint32_t size) {
  bytes.insert(bytes.end(), tag, tag + 4);
  Put(bytes, size, 4);
  bytes.insert(bytes.end(), body.begin(), body.end());
}

void PutChunk(Bytes &bytes, const char *tag, const Bytes &body) {
  PutChunk(bytes, tag, body, static_cast<uint32_t>(body.size()));
  if (body.size() % 2 != 0) bytes.push_back(0);
}

// format, channels, rate, bits, block alignment (0: the one that matches)
Bytes FormatBody(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t align) {
  if (align == 0) align = static_cast<uint16_t>(channels * bits / 8);
  Bytes body;
  Put(body, format, 2);
  Put(body, channels, 2);
  Put(body, rate, 4);
  Put(body, rate * align, 4);
  Put(body, align, 2);
  Put(body, bits, 2);
  return body;
}

const Bytes kMono16 = FormatBody(1, 1, 8000, 16, 0);

// A RIFF WAVE of the given chunks.
Bytes Riff(const Bytes &chunks) {
  Bytes bytes = {'R', 'I', 'F', 'F'};
  Put(bytes, static_cast<uint32_t>(chunks.size() + 4), 4);
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E'});
  bytes.insert(bytes.end(), chunks.begin(), chunks.end());
  return bytes;
}

Bytes Wave(const Bytes &format, uint32_t dataBytes) {
  Bytes chunks;
  PutChunk(chunks, "fmt ", format);
  PutChunk(chunks, "data", Bytes(dataBytes, 0x55));
  return Riff(chunks);
}

// Parses a copy of exactly the given size, so that AddressSanitizer sees any read past it.
bool Parses(const Bytes &bytes) {
  WavSound sound;
  Bytes exact(bytes);
  return ParseWav(exact.data(), exact.size(), &sound);
}

const fs::path kShippedSounds = BCR_SOUNDS_DIR;

TEST(WavParser, TakesPcmOf8And16BitsMonoAndStereoInWholeFrames) {
  struct Case {
    uint16_t channels, bits;
    uint32_t frames;
  };
  for (Case c : {Case{1, 8, 101}, Case{1, 16, 50}, Case{2, 8, 50}, Case{2, 16, 25}}) {
    Bytes chunks;
    PutChunk(chunks, "LIST", Bytes(5, 'x'));  // skipped, with its pad byte
    PutChunk(chunks, "fmt ", FormatBody(1, c.channels, 22050, c.bits, 0));
    PutChunk(chunks, "data", Bytes(101, 7));  // odd: a partial last frame for all but 8-bit mono
    if (c.frames == 25) chunks.pop_back();    // a last chunk of odd size needs no pad byte
    Bytes bytes = Riff(chunks);
    WavSound sound;
    ASSERT_TRUE(ParseWav(bytes.data(), bytes.size(), &sound)) << c.channels << "x" << c.bits;
    EXPECT_EQ(sound.channels, c.channels);
    EXPECT_EQ(sound.bitsPerSample, c.bits);
    EXPECT_EQ(sound.sampleRate, 22050u);
    EXPECT_EQ(sound.frameCount, c.frames);
    EXPECT_EQ(sound.frames, bytes.data() + 58);
  }
}

TEST(WavParser, RejectsEveryTruncation) {
  Bytes whole = Wave(kMono16, 40);
  ASSERT_TRUE(Parses(whole));
  for (size_t size = 0; size < whole.size(); ++size) {
    EXPECT_FALSE(Parses(Bytes(whole.begin(), whole.begin() + size))) << size;
  }
}

TEST(WavParser, RejectsLengthsBeyondTheFile) {
  for (uint32_t size : {42u, 0x80000000u, 0xFFFFFFF8u, 0xFFFFFFFFu}) {
    Bytes data;
    PutChunk(data, "fmt ", kMono16);
    PutChunk(data, "data", Bytes(40, 0), size);
    EXPECT_FALSE(Parses(Riff(data))) << size;

    Bytes format;
    PutChunk(format, "fmt ", kMono16, size);
    EXPECT_FALSE(Parses(Riff(format))) << size;

    Bytes riff = Wave(kMono16, 40);
    for (int i = 0; i < 4; ++i) riff[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    EXPECT_FALSE(Parses(riff)) << size;
  }
}

TEST(WavParser, RejectsWhatItCannotPlay) {
  const Bytes formats[] = {
      FormatBody(3, 1, 8000, 32, 0), FormatBody(0xFFFE, 1, 8000, 16, 0),
      FormatBody(1, 1, 8000, 24, 0), FormatBody(1, 3, 8000, 16, 0),
      FormatBody(1, 0, 8000, 16, 0), FormatBody(1, 1, 0, 16, 0),
      FormatBody(1, 2, 8000, 16, 2), Bytes(kMono16.begin(), kMono16.begin() + 14),
  };
  for (const Bytes &format : formats) EXPECT_FALSE(Parses(Wave(format, 16)));

  Bytes noFormat, noData, twoFormats;
  PutChunk(noFormat, "data", Bytes(4, 0));
  PutChunk(noData, "fmt ", kMono16);
  PutChunk(twoFormats, "fmt ", kMono16);
  PutChunk(twoFormats, "fmt ", FormatBody(1, 2, 8000, 8, 0));
  PutChunk(twoFormats, "data", Bytes(4, 0));
  for (const Bytes &chunks : {noFormat, noData, twoFormats}) EXPECT_FALSE(Parses(Riff(chunks)));

  Bytes notWave = Wave(kMono16, 4);
  notWave[8] = 'A';
  EXPECT_FALSE(Parses(notWave));
}

TEST(ShippedSounds, AreShortDistinctMonoSixteenBitFiles) {
  std::vector<Bytes> seen;
  for (const char *name : {"Default", "Hwandsw", "MenuPop", "MsgBox_CE", "Notify_CE", "VoicBeep",
                           "Alarm2", "Alarm3_CE", "LowBatt_CE"}) {
    Bytes bytes;
    ASSERT_TRUE(ReadSoundFile((kShippedSounds / (std::string(name) + ".wav")).string(), &bytes))
        << name;
    WavSound sound;
    ASSERT_TRUE(ParseWav(bytes.data(), bytes.size(), &sound)) << name;
    EXPECT_EQ(sound.channels * 100 + sound.bitsPerSample, 116) << name;
    double seconds = static_cast<double>(sound.frameCount) / sound.sampleRate;
    EXPECT_TRUE(seconds >= 0.1 && seconds <= 0.4) << name << " " << seconds;
    for (const Bytes &other : seen) EXPECT_NE(bytes, other) << name;
    seen.push_back(bytes);
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

class NullDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, "null", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
      GTEST_SKIP() << "ALSA's null device cannot be opened here";
    }
    snd_pcm_close(pcm);
    setenv("BCREADER_SOUND_DIR", kShippedSounds.c_str(), 1);
    char pattern[] = "/tmp/bcr-sound-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  std::string Write(const char *name, const Bytes &bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static bool Play(const std::string &name) {
    WString text;
    text.AssignNarrow(name.c_str());
    return SinkPlay({SoundSink::kAlsa, "null"}, text, kSoundPlayFile);
  }
  // Starts a play of seconds of 8000 Hz mono on another thread and waits until it holds the sound.
  std::future<bool> PlayLong(uint32_t seconds) {
    std::string file = Write("long.wav", Wave(kMono16, seconds * 16000));
    auto player = std::async(std::launch::async, [file] { return Play(file); });
    uint64_t end = NowMs() + 3000;
    while (!AlsaPlaying() && NowMs() < end) Sleep(2);
    EXPECT_TRUE(AlsaPlaying());
    return player;
  }
  std::string dir_;
};

TEST_F(NullDevice, PlaysShippedSoundsForTheirLengthAndNothingMalformed) {
  uint64_t start = NowMs();
  EXPECT_TRUE(Play("\\Windows\\Hwandsw"));  // 0.12 s
  EXPECT_GE(NowMs() - start, 100u);
  // 30 ms, shorter than the device's buffer: the device is started by the play, not by its fill.
  EXPECT_TRUE(Play(Write("short.wav", Wave(kMono16, 480))));
  Bytes truncated = Wave(kMono16, 800);
  truncated.resize(truncated.size() - 10);
  ASSERT_EQ(mkfifo((dir_ + "/fifo.wav").c_str(), 0600), 0);  // only a regular file is read
  for (const std::string &file :
       {Write("cut.wav", truncated), Write("empty.wav", {}), dir_ + "/fifo.wav",
        Write("float.wav", Wave(FormatBody(3, 1, 8000, 32, 0), 64)), dir_ + "/missing.wav", dir_}) {
    EXPECT_FALSE(Play(file)) << file;
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
