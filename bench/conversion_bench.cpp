// Speed of the conversion core, scanner and listing together, on the three
// benchmark maps; reports listing bytes produced per second.
#include <benchmark/benchmark.h>

#include "maps.hpp"

namespace {

void convertMap(benchmark::State& state) {
  const std::string map = gridpin::bench::makeMap(static_cast<int>(state.range(0)));
  state.SetLabel(gridpin::bench::mapNames[state.range(0)]);
  const auto size = static_cast<std::uint32_t>(map.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(gridpin::convert(map.data(), size));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * gridpin::outBufPos);
}

BENCHMARK(convertMap)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  gridpin::preferHugePages();  // as the tool does
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
