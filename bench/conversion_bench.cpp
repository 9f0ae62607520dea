// SPDX-License-Identifier: MIT
// Speed of the conversion core, scanner and listing together, on the three
// benchmark maps, beside the reference conversion; reports listing bytes
// produced per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string_view>

#include "maps.hpp"
#include "reference.hpp"

namespace {

using namespace gridpin;

template <bool reference>
void convertMap(benchmark::State& state) {
  const std::string map = bench::makeMap(static_cast<int>(state.range(0)));
  state.SetLabel(bench::mapNames[state.range(0)]);
  const auto size = static_cast<std::uint32_t>(map.size());
  std::size_t bytes = 0;
  for (auto _ : state) {
    if constexpr (reference) {
      bytes = reference::convert(map.data(), size).size();
    } else {
      bytes = convert(map.data(), size).ok ? outBufPos : 0;
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

BENCHMARK(convertMap<false>)->Name("tool")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(convertMap<true>)->Name("reference")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // As the tool does, and the same for the reference.
  preferHugePages(outBuf, sizeof outBuf);
  preferHugePages(reference::refBuf, sizeof reference::refBuf);
  // Speed counts only if the listings are the same.
  for (int i = 0; i < 3; ++i) {
    const std::string map = bench::makeMap(i);
    const auto size = static_cast<std::uint32_t>(map.size());
    convert(map.data(), size);
    if (std::string_view(outBuf, outBufPos) != reference::convert(map.data(), size)) {
      std::fprintf(stderr, "%s: the listing differs from the reference\n", bench::mapNames[i]);
      return 1;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
