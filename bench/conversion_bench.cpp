// SPDX-License-Identifier: MIT
// Speed of the conversion core, scanner and listing together, on the three
// benchmark maps, beside the reference conversion; reports listing bytes
// produced per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "bench/maps.hpp"
#include "tests/reference.hpp"

namespace {

using namespace gridpin;

Images images;

// The map put in the input image, as the tool reads it.
std::uint32_t load(const std::string& map) {
  std::memcpy(images.inBuf, map.data(), map.size());
  return static_cast<std::uint32_t>(map.size());
}

template <bool reference>
void convertMap(benchmark::State& state) {
  const std::string map = bench::makeMap(static_cast<int>(state.range(0)));
  state.SetLabel(bench::mapNames[state.range(0)]);
  const std::uint32_t size = load(map);
  std::size_t bytes = 0;
  for (auto _ : state) {
    if constexpr (reference) {
      bytes = reference::convert(map.data(), size).size();
    } else {
      bytes = convert(images, size).ok ? images.outBufPos : 0;
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
  preferHugePages(images.outBuf, sizeof images.outBuf);
  preferHugePages(reference::refBuf, sizeof reference::refBuf);
  // Speed counts only if the listings are the same.
  for (int i = 0; i < 3; ++i) {
    const std::string map = bench::makeMap(i);
    const std::uint32_t size = load(map);
    convert(images, size);
    if (std::string_view(images.outBuf, images.outBufPos) != reference::convert(map.data(), size)) {
      std::fprintf(stderr, "%s: the listing differs from the reference\n", bench::mapNames[i]);
      return 1;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
