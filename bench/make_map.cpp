// Writes benchmark map N (0, 1 or 2) to a file, for whole-process timing.
#include <cstdio>
#include <cstdlib>

#include "maps.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: gridpin_make_map 0|1|2 file\n", stderr);
    return 1;
  }
  const std::string map = gridpin::bench::makeMap(std::atoi(argv[1]));
  std::FILE* f = std::fopen(argv[2], "wb");
  if (!f || std::fwrite(map.data(), 1, map.size(), f) != map.size() || std::fclose(f) != 0) {
    std::fputs("cannot write the map\n", stderr);
    return 1;
  }
  return 0;
}
