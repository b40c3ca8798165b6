// Speed of the operations a host repeats most: moving the cursor and reading
// fields of the current record, and matching values during a search.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/cursor.h"
#include "engine/fields.h"
#include "engine/table.h"
#include "support/wildcard.h"

namespace {

using namespace quillon;

// A table of `records` records with NAME C20 and AGE N3, written directly.
std::string WriteTable(int records) {
  char path[] = "/tmp/quillon-bench-XXXXXX";
  int fd = ::mkstemp(path);
  ::close(fd);
  std::string bytes(32, '\0');
  bytes[0] = 0x03;
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>(records >> (8 * i));
  bytes[8] = 97;
  bytes[10] = 24;
  auto descriptor = [](const char* name, char type, int width) {
    std::string d(32, '\0');
    d.replace(0, std::string(name).size(), name);
    d[11] = type;
    d[16] = static_cast<char>(width);
    return d;
  };
  bytes += descriptor("NAME", 'C', 20) + descriptor("AGE", 'N', 3) + "\x0D";
  for (int r = 0; r < records; ++r) {
    std::string name = " name" + std::to_string(r);
    name.resize(21, ' ');
    bytes += name + " 42";
  }
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

void BM_MoveAndReadTwoFields(benchmark::State& state) {
  const int records = 10000;
  const std::string path = WriteTable(records);
  auto table = engine::NewDbfTable(path, "");
  engine::SetActive(*table, true);
  uint32_t record = 1;
  for (auto _ : state) {
    engine::GoToRecord(*table, record);
    benchmark::DoNotOptimize(engine::FieldText(*table, 1));
    benchmark::DoNotOptimize(engine::FieldText(*table, 2));
    record = record % records + 1;
  }
  engine::SetActive(*table, false);
  std::remove(path.c_str());
}
BENCHMARK(BM_MoveAndReadTwoFields);

void BM_FieldIndex(benchmark::State& state) {
  const std::string path = WriteTable(1);
  auto table = engine::NewDbfTable(path, "");
  engine::SetActive(*table, true);
  for (auto _ : state) benchmark::DoNotOptimize(engine::FieldIndex(*table, "age"));
  engine::SetActive(*table, false);
  std::remove(path.c_str());
}
BENCHMARK(BM_FieldIndex);

void BM_WildcardPathological(benchmark::State& state) {
  const std::string text(static_cast<size_t>(state.range(0)), 'a');
  for (auto _ : state) benchmark::DoNotOptimize(support::WildcardMatch(text, "*a*a*a*a*a*a*b*"));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WildcardPathological)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity();

}  // namespace

BENCHMARK_MAIN();
