// Feeds any bytes to the conversion as a map and checks what must hold of
// the result, whatever the map: the scan fails exactly at the first byte
// of 0x20-0x7F that is neither 'O' nor '.', and a listing is well formed,
// holds one point per 'O' in reading order and stays within its image.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "conversion.hpp"

namespace {

using namespace gridpin;

void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::abort();
}

bool refused(unsigned char b) { return b >= 0x20 && b < 0x80 && b != 'O' && b != '.'; }

// Reads a decimal number at p, which must be there, and moves p past it.
std::uint32_t number(const char*& p) {
  require(*p >= '0' && *p <= '9', "a number");
  require(*p != '0' || p[1] < '0' || p[1] > '9', "no leading zero");
  std::uint64_t v = 0;
  while (*p >= '0' && *p <= '9') v = v * 10 + static_cast<std::uint64_t>(*p++ - '0');
  require(v <= UINT32_MAX, "a 32-bit number");
  return static_cast<std::uint32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > IMAGE_CAPACITY) return -1;
  const ScanResult r =
      convert(reinterpret_cast<const char*>(data), static_cast<std::uint32_t>(size));
  require(outBufPos <= LISTING_CAPACITY - POINT_SLACK, "listing within its image");

  const std::uint8_t* bad = data;
  while (bad != data + size && !refused(*bad)) ++bad;
  if (bad != data + size) {
    require(!r.ok && static_cast<unsigned char>(r.ch) == *bad, "fails at the first refused byte");
    return 0;
  }
  require(r.ok, "succeeds without a refused byte");

  // Cells and marks per non-empty line, counted line by line.
  std::vector<std::uint32_t> cells;
  std::size_t marks = 0;
  std::uint32_t lineCells = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == '\n') {
      if (lineCells > 0) cells.push_back(lineCells);
      lineCells = 0;
    } else if (data[i] == 'O' || data[i] == '.') {
      ++lineCells;
      marks += data[i] == 'O';
    }
  }

  char text[HEADER_WIDTH];
  std::snprintf(text, sizeof text, "[%u,%u] // map size", r.wid, r.hgt);
  char head[HEADER_WIDTH + 2];
  std::snprintf(head, sizeof head, "%-50s\n", text);
  require(outBufPos >= HEADER_WIDTH + 1 && std::memcmp(outBuf, head, HEADER_WIDTH + 1) == 0,
          "header line");
  require(r.hgt == cells.size(), "height counts non-empty lines");
  require(r.wid == (cells.empty() ? 0 : cells.back()), "width of the last non-empty line");

  const char* p = outBuf + HEADER_WIDTH + 1;
  const char* end = outBuf + outBufPos;
  std::size_t points = 0;
  std::uint32_t lastX = 0, lastY = 0;
  while (p != end) {
    require(*p++ == '[', "[");
    const std::uint32_t x = number(p);
    require(*p++ == ',', ",");
    const std::uint32_t y = number(p);
    require(*p++ == ']' && *p++ == '\n', "]\\n");
    require(p <= end, "line within the listing");
    require(points == 0 || y > lastY || (y == lastY && x > lastX), "reading order");
    require(y < cells.size() && x < cells[y], "inside its own line");
    lastX = x;
    lastY = y;
    ++points;
  }
  require(points == marks, "one point per O");
  return 0;
}
