// SPDX-License-Identifier: MIT
// The map scanner: one forward pass over the map text that lists every
// marked cell as it is met and yields the map size.
#include <cassert>

#include "conversion.hpp"

namespace gridpin {

namespace {

// Puts the point line of every marked cell into the listing. The ready
// line is the caller's and only referred to here: it is handed to carry(),
// and were it a member, this whole object would live in memory and every
// cell would wait for the store of the one before it.
struct Listing {
  PointLine& next;
  char digit;  // the last digit of x
  char* at;    // where the next point line goes
  void cell(bool marked, std::uint32_t /*at*/) { at = next.put(at, marked, digit); }
  void lineEnd(std::uint32_t row, std::uint32_t /*at*/) {
    next.startLine(row);
    digit = '0';
  }
};

}  // namespace

ScanResult scan(Images& im, std::uint32_t size) {
  assert(size <= IMAGE_CAPACITY);
  PointLine next;  // the point line of the next cell
  next.startLine(0);
  Listing listing{next, '0', im.outBuf + im.outBufPos};
  const ScanResult r = walk(im.inBuf, size, listing);
  if (r.ok) im.outBufPos = static_cast<std::uint32_t>(listing.at - im.outBuf);
  return r;
}

ScanResult convert(Images& im, std::uint32_t size) {
  begin(im);
  const ScanResult r = scan(im, size);
  if (r.ok) finish(im, r.wid, r.hgt);
  return r;
}

}  // namespace gridpin
