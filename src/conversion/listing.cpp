// SPDX-License-Identifier: MIT
// The coordinate listing, assembled in the listing image. The header line
// is reserved at full width first and written in place last, once the map
// size is known, so point lines are appended once and never moved.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "conversion.hpp"

namespace gridpin {

void preferHugePages(char* image, std::size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t huge = std::uintptr_t{2} << 20;
  constexpr std::uintptr_t small = std::uintptr_t{256} << 10;
  const auto start = reinterpret_cast<std::uintptr_t>(image);
  const std::uintptr_t from = (start + small + huge - 1) & ~(huge - 1);
  const std::uintptr_t to = (start + size) & ~(huge - 1);
  if (to > from) madvise(image + (from - start), to - from, MADV_HUGEPAGE);
#else
  (void)image, (void)size;
#endif
}

void begin(Images& im) {
  std::memset(im.outBuf, ' ', HEADER_WIDTH);
  im.outBuf[HEADER_WIDTH] = '\n';
  im.outBufPos = HEADER_WIDTH + 1;
}

void PointLine::startLine(std::uint32_t y) {
  text[0] = '[';
  text[2] = ',';  // text[1] is the place of x's one digit
  char* end = std::to_chars(text + 3, text + sizeof text, y).ptr;
  *end++ = ']';
  *end++ = '\n';
  len = static_cast<std::uint32_t>(end - text);
  last = 1;
}

void PointLine::carry() {
  std::uint32_t i = last - 1;
  while (text[i] == '9') text[i--] = '0';
  if (text[i] != '[') {
    ++text[i];
    return;
  }
  // x gains a digit, a leading 1; the rest of the line moves right. The
  // line still fits: see POINT_SLACK.
  std::memmove(text + 2, text + 1, len - 1);
  text[1] = '1';
  ++last;
  ++len;
}

void finish(Images& im, std::uint32_t wid, std::uint32_t hgt) {
  // At most 35 characters, so the padding begin() left is never overrun.
  char text[HEADER_WIDTH + 1];
  const int n = std::snprintf(text, sizeof text, "[%lu,%lu] // map size",
                              static_cast<unsigned long>(wid),
                              static_cast<unsigned long>(hgt));
  std::memcpy(im.outBuf, text, static_cast<std::size_t>(n));
}

}  // namespace gridpin
