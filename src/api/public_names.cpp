// The names include/bcreader.h gives applications stand for the values the library returns and
// accepts: a change on either side stops the build.
#include "bcreader.h"
#include "state/results.h"

static_assert(BCR_READER_DEVICE == bcr::kReaderDevice);
static_assert(BCR_ANY_DEVICE == bcr::kAnyDevice);
static_assert(BCR_READER_TYPE_4507 == bcr::kReaderType4507);
static_assert(BCR_READER_TYPE_SE955 == bcr::kReaderTypeSE955);
static_assert(BCR_RESULT_NO_ENGINE == bcr::kResultNoEngine);
static_assert(BCR_RESULT_NO_WINDOW == bcr::kResultNoWindow);
static_assert(BCR_RESULT_ENGINE_NOT_FOUND == bcr::kResultEngineNotFound);
static_assert(BCR_RESULT_ENGINE_DOWN == bcr::kResultEngineDown);
static_assert(BCR_RESULT_NO_SOUND_PATH == bcr::kResultNoSoundPath);
static_assert(BCR_RESULT_OTHER_ENGINE == bcr::kResultOtherEngine);
static_assert(BCR_RESULT_BAD_BUFFER == bcr::kResultBadBuffer);
static_assert(BCR_MODE_READ == bcr::kModeRead);
static_assert(BCR_MODE_WRITE == bcr::kModeWrite);
