// SPDX-License-Identifier: MIT
// The map scanner: one forward pass over the map text that lists every
// marked cell as it is met and yields the map size.
#include <cassert>

#include "conversion.hpp"

namespace gridpin {

char inBuf[IMAGE_CAPACITY + 1];
std::uint32_t inBufSize;

namespace {

// Puts the point line of every marked cell into the listing. The ready
// line is the caller's and only referred to here: it is handed to carry(),
// and were it a member, this whole object would live in memory and every
// cell would wait for the store of the one before it.
struct Listing {
  PointLine& next;
  char digit;         // the last digit of x
  std::uint32_t pos;  // where the next point line goes
  void cell(bool marked, std::uint32_t /*at*/) { pos = next.put(pos, marked, digit); }
  void lineEnd(std::uint32_t row, std::uint32_t /*at*/) {
    next.startLine(row);
    digit = '0';
  }
};

}  // namespace

ScanResult scan(const char* text, std::uint32_t size) {
  assert(size <= IMAGE_CAPACITY);
  PointLine next;  // the point line of the next cell
  next.startLine(0);
  Listing listing{next, '0', outBufPos};
  const ScanResult r = walk(text, size, listing);
  if (r.ok) outBufPos = listing.pos;
  return r;
}

ScanResult convert(const char* text, std::uint32_t size) {
  begin();
  const ScanResult r = scan(text, size);
  if (r.ok) finish(r.wid, r.hgt);
  return r;
}

}  // namespace gridpin
