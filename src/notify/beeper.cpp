#include "notify/beeper.h"

#include "notify/sound_table.h"
#include "state/results.h"
#include "util/wstring.h"

namespace bcr {

int32_t BeeperResult(int32_t sound, const char *path) {
  if (sound == kBeeperFileSound) {
    if (path == nullptr) return kResultNoSoundPath;
    WString file;
    file.AssignNarrow(path);
    StopPlayingSound();
    PlaySoundPath(file);
    return 1;
  }
  if (sound > kSoundCount) return kBeeperNoSuchSound;
  StopPlayingSound();
  PlayTableSound(sound);
  return 1;
}

}  // namespace bcr
