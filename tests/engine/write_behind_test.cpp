// Drives a gathered file and a file written directly with the same random
// writes, cuts, growths, reads and flushes, and checks that every read, every
// length and, once both are closed, every byte agree; then that a write-out
// that fails is reported and fails what comes after it.
#include "engine/write_behind.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "helpers/fault_platform.h"
#include "helpers/scratch_dir.h"

namespace quillon::engine {
namespace {

using platform::OpenMode;
using testing::FaultPlatform;
using testing::Op;
using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

TEST(WriteBehindTest, ReadsLengthsAndTheClosedFileMatchAFileWrittenDirectly) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const auto pick = [&](uint32_t n) { return n == 0 ? 0 : rng() % n; };
    ScratchDir dir;
    std::string start(pick(2000), 'x');
    for (char& c : start) c = static_cast<char>('a' + pick(26));
    WriteWholeFile(dir.File("direct"), start);
    WriteWholeFile(dir.File("gathered"), start);
    bool failed = false;
    FaultPlatform files;
    files.flushToDisk = false;  // what reaches the disk is not the question here
    {
      auto direct = files.Open(dir.File("direct"), OpenMode::kReadWriteShareRead);
      WriteBehindFile gathered(files.Open(dir.File("gathered"), OpenMode::kReadWriteShareRead),
                               &failed);
      uint64_t size = start.size();
      for (int step = 0; step < 400; ++step) {
        // Now and then a write large enough to make the gathered bytes
        // pass the write-out size.
        const size_t n = pick(20) == 0 ? 300000 + pick(100000) : 1 + pick(3000);
        const uint64_t at = pick(static_cast<uint32_t>(size) + 600);
        std::string bytes(n, static_cast<char>('A' + step % 26));
        switch (pick(6)) {
          case 0:
          case 1:
            ASSERT_TRUE(direct->Seek(at) && direct->Write(bytes.data(), n));
            ASSERT_TRUE(gathered.Seek(at) && gathered.Write(bytes.data(), n));
            size = std::max<uint64_t>(size, at + n);
            break;
          case 2: {
            std::string a(n, '\0'), b(n, '\0');
            size_t gotA = 0, gotB = 0;
            ASSERT_TRUE(direct->ReadAt(at, a.data(), n, &gotA));
            ASSERT_TRUE(gathered.ReadAt(at, b.data(), n, &gotB));
            ASSERT_EQ(gotA, gotB);
            ASSERT_EQ(a, b) << "read of " << n << " at " << at;
            break;
          }
          case 3: {
            // Mostly small growths and cuts, as memo appends make them.
            const uint64_t end =
                pick(2) ? size + pick(1000) : pick(static_cast<uint32_t>(size) + 1);
            ASSERT_TRUE(direct->Seek(end) && direct->SetEnd());
            ASSERT_TRUE(gathered.Seek(end) && gathered.SetEnd());
            size = end;
            break;
          }
          case 4: {
            uint64_t a = 0, b = 0;
            ASSERT_TRUE(direct->Size(&a) && gathered.Size(&b));
            ASSERT_EQ(a, b);
            break;
          }
          default:
            ASSERT_TRUE(gathered.Flush());
        }
      }
    }
    EXPECT_FALSE(failed);
    EXPECT_EQ(ReadWholeFile(dir.File("gathered")), ReadWholeFile(dir.File("direct")));
  }
}

TEST(WriteBehindTest, AFailedWriteOutIsReportedAndFailsWhatFollows) {
  FaultPlatform faults;
  testing::PlatformScope scope(faults);
  ScratchDir dir;
  WriteWholeFile(dir.File("f"), "before");
  for (const bool atClosing : {false, true}) {
    bool failed = false;
    {
      WriteBehindFile file(faults.Open(dir.File("f"), OpenMode::kReadWriteShareRead), &failed);
      ASSERT_TRUE(file.Seek(6) && file.Write("after", 5));
      faults.fail = FaultPlatform::FailNth(Op::kWrite, 1);
      if (!atClosing) {
        EXPECT_FALSE(file.Flush());
        EXPECT_TRUE(failed);
        char byte = 0;
        size_t got = 0;
        EXPECT_FALSE(file.ReadAt(0, &byte, 1, &got));
        EXPECT_FALSE(file.Write("x", 1));
      }
    }
    faults.fail = nullptr;
    EXPECT_TRUE(failed);
  }
}

}  // namespace
}  // namespace quillon::engine
