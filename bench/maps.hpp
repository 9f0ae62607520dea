// SPDX-License-Identifier: MIT
// The three benchmark maps, each exactly IMAGE_CAPACITY bytes: the longest
// listing a map can give, a full grid, and a grid of random cells.
#pragma once

#include <cstdint>
#include <string>

#include "conversion.hpp"

namespace gridpin::bench {

inline constexpr const char* mapNames[] = {"one-line", "full-grid", "half-random"};

inline std::string grid(int lines, int cells, bool random) {
  std::string map;
  map.reserve(IMAGE_CAPACITY);
  std::uint32_t seed = 12345;  // fixed, so every run converts the same map
  for (int y = 0; y < lines; ++y) {
    for (int x = 0; x < cells; ++x) {
      seed = seed * 1664525u + 1013904223u;
      map += !random || (seed >> 16 & 1) ? 'O' : '.';
    }
    map += '\n';
  }
  return map;
}

// Map i of mapNames.
inline std::string makeMap(int i) {
  switch (i) {
    case 0: return std::string(IMAGE_CAPACITY, 'O');
    case 1: return grid(1000, 999, false);
    default: return grid(5000, 199, true);
  }
}

}  // namespace gridpin::bench
