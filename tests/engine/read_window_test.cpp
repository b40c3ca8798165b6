// Tries to make the read-ahead window hand out bytes the file no longer
// holds. Reads set a 16-byte window up somewhere over a 64-byte file; then
// the file changes at every offset in and around where they went, and past
// the end; then every read is compared with what the file really holds, and
// the file with what the writes should have made of it. Wherever a fill
// lands, some change hits each of its edges.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/read_window.h"
#include "helpers/fault_platform.h"
#include "helpers/scratch_dir.h"

namespace quillon::testing {
namespace {

constexpr auto kReadWrite = platform::OpenMode::kReadWriteShareRead;

struct Reads {
  const char* what;
  std::vector<std::pair<int64_t, size_t>> reads;  // offset (-1: going on) and size
};

struct Change {
  const char* what;
  // 'w' write, 'f' write failing after 3 bytes, 'r' the same made again after
  // it failed, 'e' end the file there, 'c' the same and a write going on, 'g'
  // write on from where the reads ended
  char kind;
  size_t length;
};

TEST(ReadWindowTest, NoWriteCutOrFailureLeavesAReadStale) {
  const Reads setups[] = {{"a small read", {{0, 5}}},
                          {"small reads going on", {{0, 5}, {-1, 5}, {-1, 5}, {-1, 5}}},
                          {"a read as large as the window", {{0, 16}}},
                          {"a larger read, then a small one", {{0, 40}, {-1, 3}}},
                          {"reads on to the end", {{0, 7}, {-1, 7}, {-1, 7}, {-1, 7}, {-1, 64}}}};
  const Change changes[] = {
      {"a 1-byte write", 'w', 1},  {"a 6-byte write", 'w', 6},        {"a 24-byte write", 'w', 24},
      {"a failed write", 'f', 8},  {"a failed write made again", 'r', 8},
      {"a cut or growth", 'e', 0}, {"a cut, then a write", 'c', 5}, {"a write going on", 'g', 5}};
  std::string start;
  for (int i = 0; i < 64; ++i) start += static_cast<char>('@' + i);
  FaultPlatform platform;
  ScratchDir dir;
  const std::string path = dir.Write("f.bin", start);
  for (const Reads& setup : setups) {
    for (const Change& change : changes) {
      // From the start, inside, so that reads reach the end, and past it.
      for (uint64_t from : {0, 9, 30, 52, 60, 66}) {
        const uint64_t last = change.kind == 'g' ? from : from + 38;
        for (uint64_t sweep = from > 6 ? from - 6 : 0; sweep <= last && !HasFailure(); ++sweep) {
          {
            // Put back without emptying the file, which would make the file
            // system flush it at every close.
            auto reset = platform::Native().Open(path, kReadWrite);
            ASSERT_TRUE(reset->Seek(0) && reset->Write(start.data(), 64) && reset->SetEnd());
          }
          engine::WindowedFile file(platform.Open(path, kReadWrite), 16);
          std::string real = start, trail = std::string(setup.what) + ", " + change.what + ":";
          uint64_t here = from;
          // Compares one read with the file; -1 reads on from the last one.
          const auto check = [&](int64_t offset, size_t n) {
            if (offset >= 0) here = static_cast<uint64_t>(offset);
            trail += " read(" + std::to_string(here) + "," + std::to_string(n) + ")";
            std::string got(n, '?');
            size_t arrived = 0;
            const bool ok = offset >= 0 ? file.ReadAt(here, got.data(), n, &arrived)
                                        : file.Read(got.data(), n, &arrived);
            got.resize(arrived);
            const std::string want = here < real.size() ? real.substr(here, n) : "";
            here += arrived;
            EXPECT_TRUE(ok && got == want) << trail << " gave " << got << ", not " << want;
          };
          // The reads, and the length, which the window may keep from now on.
          const auto readAsSetUp = [&] {
            for (const auto& [offset, n] : setup.reads) {
              check(offset < 0 ? -1 : static_cast<int64_t>(from) + offset, n);
            }
            uint64_t size = 0;
            EXPECT_TRUE(file.Size(&size) && size == real.size()) << trail << ": length " << size;
          };
          readAsSetUp();
          const uint64_t at = change.kind == 'g' ? here : sweep;
          const std::string bytes(change.length, 'z');
          trail += std::string(" ") + change.kind + "@" + std::to_string(at);
          const bool cuts = change.kind == 'e' || change.kind == 'c';
          std::string model = start;  // what the file must hold afterwards
          model.resize(std::max<uint64_t>(at, cuts ? 0 : 64), '\0');
          EXPECT_TRUE(change.kind == 'g' || file.Seek(at));
          if (change.kind == 'f' || change.kind == 'r') {
            platform.fail = FaultPlatform::FailNth(Op::kWrite, 1);
            platform.partialWrite = 3;
            EXPECT_FALSE(file.Write(bytes.data(), bytes.size()));
            platform.fail = nullptr;
            model.replace(at, 3, bytes, 0, 3);
          }
          EXPECT_TRUE(!cuts || file.SetEnd());
          if (change.kind != 'e' && change.kind != 'f') {
            EXPECT_TRUE(change.kind != 'r' || file.Seek(at));
            EXPECT_TRUE(file.Write(bytes.data(), bytes.size()));
            model.replace(at, bytes.size(), bytes);
          }
          real = ReadWholeFile(path);
          EXPECT_EQ(real, model) << trail;
          readAsSetUp();
          check(static_cast<int64_t>(at > 4 ? at - 4 : 0), 5);
          for (int i = 0; i < 4; ++i) check(-1, 5);
          check(60, 16);
        }
      }
    }
  }
}

}  // namespace
}  // namespace quillon::testing
