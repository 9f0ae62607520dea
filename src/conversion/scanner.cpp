// SPDX-License-Identifier: MIT
// The map scanner: one forward pass over the map text that lists every
// marked cell as it is met and yields the map size.
#include <cassert>

#include "conversion.hpp"

namespace gridpin {

char inBuf[IMAGE_CAPACITY + 1];
std::uint32_t inBufSize;

ScanResult scan(const char* text, std::uint32_t size) {
  assert(size <= IMAGE_CAPACITY);
  std::uint32_t col = 0;  // cells so far on this line: x of the next cell
  std::uint32_t row = 0;  // non-empty lines closed so far: y of this line
  std::uint32_t wid = 0;
  std::uint32_t hgt = 0;
  bool lineTerm = true;   // no cell since the last line feed
  PointLine next;         // the point line of the cell at (col, row)
  next.startLine(0);
  char digit = '0';       // the last digit of col
  std::uint32_t pos = outBufPos;
  for (std::uint32_t inBufPos = 0; inBufPos < size; ++inBufPos) {
    // Signed on purpose: bytes 0x80-0xFF fall in with the control bytes
    // and are skipped, as are CR and tab, so CR LF maps convert like LF.
    const auto ch = static_cast<signed char>(text[inBufPos]);
    if (ch == 'O' || ch == '.') {
      pos = next.put(pos, ch == 'O', digit);
      ++col;
      lineTerm = false;
    } else if (ch == '\n') {
      if (col > 0) {
        wid = col;  // the last non-empty line's width, not the longest
        ++row;
        ++hgt;
      }
      col = 0;
      lineTerm = true;
      next.startLine(row);
      digit = '0';
    } else if (ch <= 31) {
      // skipped: takes no column and ends no line
    } else {
      return {false, static_cast<char>(ch), 0, 0};
    }
  }
  outBufPos = pos;
  if (!lineTerm) {  // a last line with no line feed still counts
    wid = col;
    ++hgt;
  }
  return {true, 0, wid, hgt};
}

ScanResult convert(const char* text, std::uint32_t size) {
  begin();
  const ScanResult r = scan(text, size);
  if (r.ok) finish(r.wid, r.hgt);
  return r;
}

}  // namespace gridpin
