#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/row_name.h"
#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/file_system.h"

namespace vokmaker {
namespace {

// One step on a file of the bytes 0, 1, 2, ... 99 (mod 256) over 3 MiB: a read of `read`
// bytes, or a skip of `skip`, then what must be left.
struct Step {
  std::size_t read = 0;
  std::uint64_t skip = 0;
  bool skipWorks = true;
  std::uint64_t left = 0;
};

struct InputRow {
  const char* name;
  std::vector<Step> steps;  // none: the file is a folder, which fails to read
};

constexpr std::uint64_t kSize = 3 << 20;

class InputFileSteps : public ::testing::TestWithParam<InputRow> {};

// The reader trusts Remaining to catch sizes that run past the end, and Skip to land where
// reading would have.
TEST_P(InputFileSteps, ReadsSkipsAndCountsWhatIsLeft) {
  testing::TempDir dir;
  std::string bytes(kSize, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 100);
  testing::WriteFile(dir / "data", bytes);
  InputFile file;
  if (GetParam().steps.empty()) {  // rather than looking empty; only a file tells its size
    ASSERT_TRUE(file.Open(dir.path()));
    EXPECT_EQ(file.Read(bytes), ByteSource::kReadFailed);
    EXPECT_EQ(file.Remaining(), std::nullopt);
  }
  ASSERT_TRUE(file.Open(dir / "data"));
  std::uint64_t at = 0;
  for (const Step& step : GetParam().steps) {
    if (step.read > 0) {
      std::string got(step.read, '\0');
      const std::size_t n = file.Read(got);
      const std::size_t expected = std::min<std::uint64_t>(step.read, kSize - at);
      ASSERT_EQ(n, expected);
      EXPECT_EQ(got.substr(0, n), bytes.substr(at, n)) << "at " << at;
      at += n;
    } else {
      EXPECT_EQ(file.Skip(step.skip), step.skipWorks);
      if (step.skipWorks) at += step.skip;
    }
    EXPECT_EQ(file.Remaining(), step.left) << "at " << at;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, InputFileSteps,
                         ::testing::Values(InputRow{"reads_across_the_end",
                                                    {{10, 0, true, kSize - 10},
                                                     {kSize, 0, true, 0}}},
                                           InputRow{"skips_then_reads_on",
                                                    {{7, 0, true, kSize - 7},
                                                     {0, 1 << 20, true, kSize - 7 - (1 << 20)},
                                                     {5, 0, true, kSize - 12 - (1 << 20)}}},
                                           InputRow{"refuses_a_skip_past_any_offset",
                                                    {{3, 0, true, kSize - 3},
                                                     {0, ~std::uint64_t{0}, false, kSize - 3},
                                                     {4, 0, true, kSize - 7}}},
                                           InputRow{"fails_to_read_a_folder", {}}),
                         vok::testing::RowName());

}  // namespace
}  // namespace vokmaker
