// The coordinate listing, assembled in outBuf. The header line is reserved
// at full width first and written in place last, once the map size is
// known, so point lines are appended once and never moved.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "conversion.hpp"

namespace gridpin {

char outBuf[LISTING_CAPACITY];
std::uint32_t outBufPos;

namespace {

// ",y]\n" of the row listed last: points come row by row, so a row's
// text is formatted once and copied for each of its points.
char rowText[POINT_SLACK];
std::uint32_t rowLen;
std::uint32_t rowOf;

}  // namespace

void preferHugePages() {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t huge = std::uintptr_t{2} << 20;
  constexpr std::uintptr_t small = std::uintptr_t{256} << 10;
  const auto start = reinterpret_cast<std::uintptr_t>(outBuf);
  const std::uintptr_t from = (start + small + huge - 1) & ~(huge - 1);
  const std::uintptr_t to = (start + sizeof outBuf) & ~(huge - 1);
  if (to > from) madvise(outBuf + (from - start), to - from, MADV_HUGEPAGE);
#endif
}

void begin() {
  std::memset(outBuf, ' ', HEADER_WIDTH);
  outBuf[HEADER_WIDTH] = '\n';
  outBufPos = HEADER_WIDTH + 1;
  rowLen = 0;
}

void addPoint(std::uint32_t x, std::uint32_t y) {
  if (rowLen == 0 || y != rowOf) {
    rowText[0] = ',';
    char* end = std::to_chars(rowText + 1, rowText + sizeof rowText, y).ptr;
    *end++ = ']';
    *end++ = '\n';
    rowLen = static_cast<std::uint32_t>(end - rowText);
    rowOf = y;
  }
  char* p = outBuf + outBufPos;
  *p++ = '[';
  p = std::to_chars(p, p + 10, x).ptr;
  // The whole of rowText, not just rowLen bytes: a fixed-size copy is
  // cheaper, and the bytes past the line are overwritten by the next one.
  std::memcpy(p, rowText, sizeof rowText);
  outBufPos = static_cast<std::uint32_t>(p - outBuf) + rowLen;
}

void finish(std::uint32_t wid, std::uint32_t hgt) {
  // At most 35 characters, so the padding begin() left is never overrun.
  char text[HEADER_WIDTH + 1];
  const int n = std::snprintf(text, sizeof text, "[%lu,%lu] // map size",
                              static_cast<unsigned long>(wid),
                              static_cast<unsigned long>(hgt));
  std::memcpy(outBuf, text, static_cast<std::size_t>(n));
}

}  // namespace gridpin
