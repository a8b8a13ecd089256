#include "notify/sound_table.h"

#include <iterator>

#include "platform/sound.h"

namespace bcr {

namespace {

constexpr const char kSoundFolder[] = "\\Windows\\";

// Row n - 1 is sound index n.
const char *const kSoundNames[] = {
    "Default",  "Hwandsw", "MenuPop",   "MsgBox_CE",  "Notify_CE",
    "VoicBeep", "Alarm2",  "Alarm3_CE", "LowBatt_CE",
};
static_assert(std::size(kSoundNames) == kSoundCount, "one name per sound index");

}  // namespace

bool TableSoundPath(int32_t index, WString *path) {
  if (index < 1 || index > kSoundCount) return false;
  path->AssignNarrow(kSoundFolder);
  path->AppendNarrow(kSoundNames[index - 1]);
  return true;
}

void PlayTableSound(int32_t index) {
  WString path;
  if (TableSoundPath(index, &path)) PlaySoundPath(path);
}

void PlaySoundPath(const WString &path) {
  platform::PlaySoundFile(path, platform::kSoundPlayFile);
}

void StopPlayingSound() {
  platform::StopSound();
}

}  // namespace bcr
