// SPDX-License-Identifier: MIT
// Writes benchmark map N (0, 1 or 2) to a file, for whole-process timing,
// and prints its name.
#include <cstdio>
#include <cstdlib>

#include "maps.hpp"

int main(int argc, char** argv) {
  const int n = argc == 3 ? std::atoi(argv[1]) : -1;
  if (n < 0 || n > 2) {
    std::fputs("usage: gridpin_make_map 0|1|2 file\n", stderr);
    return 1;
  }
  const std::string map = gridpin::bench::makeMap(n);
  std::FILE* f = std::fopen(argv[2], "wb");
  if (!f || std::fwrite(map.data(), 1, map.size(), f) != map.size() || std::fclose(f) != 0) {
    std::fputs("cannot write the map\n", stderr);
    return 1;
  }
  std::puts(gridpin::bench::mapNames[n]);
  return 0;
}
