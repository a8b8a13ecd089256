// The decodes kept for clients that missed their signals.
#include "state/signalled_decodes.h"

#include <gtest/gtest.h>

namespace bcr {
namespace {

std::vector<uint64_t> SeqsSince(uint64_t seq, bool *gap) {
  std::vector<platform::BusDecode> decodes;
  *gap = SignalledSince(seq, &decodes);
  std::vector<uint64_t> seqs;
  for (const platform::BusDecode &decode : decodes) seqs.push_back(decode.seq);
  return seqs;
}

// Sequence numbers announced 1..kSignalledKept + 6 (a few again): the oldest six are gone, and
// only a client that had them all notices nothing missing.
TEST(SignalledDecodes, KeepTheLastOnceEachAndReportWhatIsGone) {
  ForgetSignalled();
  for (uint64_t seq = 1; seq <= kSignalledKept + 6; ++seq) {
    platform::BusDecode decode;
    decode.seq = seq;
    decode.data = std::string("\0\xFF", 2);
    KeepSignalled(decode);
    if (seq % 10 == 0) KeepSignalled(decode);  // another module's post of the last decode
  }
  const struct {
    uint64_t since;
    uint64_t first;
    bool gap;
  } kRows[] = {{0, 7, true}, {5, 7, true}, {6, 7, false}, {40, 41, false}, {70, 0, false}};
  for (const auto &row : kRows) {
    SCOPED_TRACE(row.since);
    bool gap = false;
    std::vector<uint64_t> seqs = SeqsSince(row.since, &gap);
    std::vector<uint64_t> expected;
    for (uint64_t seq = row.first; row.first != 0 && seq <= kSignalledKept + 6; ++seq) {
      expected.push_back(seq);
    }
    EXPECT_EQ(seqs, expected);
    EXPECT_EQ(gap, row.gap);
  }
  std::vector<platform::BusDecode> decodes;
  SignalledSince(69, &decodes);
  ASSERT_EQ(decodes.size(), 1u);
  EXPECT_EQ(decodes[0].data, std::string("\0\xFF", 2));
}

}  // namespace
}  // namespace bcr
