// Map conversion: the scanner that reads a map text and the coordinate
// listing it produces, with the two fixed images they work in.
//
// A map text draws a grid, one row per line: 'O' is a marked cell, '.' a
// blank one. The listing is a header line "[wid,hgt] // map size" padded
// to HEADER_WIDTH columns, then one "[x,y]" line per marked cell in
// reading order. Nothing here touches files or prints messages.
#pragma once

#include <cstdint>

namespace gridpin {

// A decimal million, not 1 MiB: the largest map text the tool converts.
inline constexpr std::uint32_t IMAGE_CAPACITY = 1'000'000;

// Columns of the header line before its line feed.
inline constexpr std::uint32_t HEADER_WIDTH = 50;

// Every point line is formatted into place with a fixed-size copy of up
// to this many bytes, so the listing image keeps that much slack.
inline constexpr std::uint32_t POINT_SLACK = 16;

// A marked cell costs at least one byte of map text and its point line at
// most "[999999,999999]\n", 16 bytes, since no coordinate can reach the
// input size. So 16 bytes per input byte bound every listing; the largest
// one real maps reach (a million O's on one line) is 10,888,941 bytes.
inline constexpr std::uint32_t LISTING_CAPACITY =
    HEADER_WIDTH + 1 + 16 * IMAGE_CAPACITY + POINT_SLACK;

// The map text. One byte more than the tool converts, so that a single
// read can tell a map that is too large.
extern char inBuf[IMAGE_CAPACITY + 1];
extern std::uint32_t inBufSize;

// The listing image; its first outBufPos bytes are the listing. Static and
// never cleared as a whole, so a small map touches only a few pages.
extern char outBuf[LISTING_CAPACITY];
extern std::uint32_t outBufPos;

// Outcome of a scan: the map size, or the first unexpected byte.
struct ScanResult {
  bool ok;
  char ch;
  std::uint32_t wid;
  std::uint32_t hgt;
};

// A large listing fills thousands of fresh pages, and faulting them in one
// by one costs more than the conversion itself; huge pages, where the
// system offers them, cut that to a handful. At least the first 256 KiB
// stay on small pages, so a small map never pays for a huge one. Only
// advice: where it is not taken, nothing changes.
void preferHugePages();

// The listing, in the order a run uses it: begin, addPoint per marked
// cell, finish once the map size is known.
void begin();
void addPoint(std::uint32_t x, std::uint32_t y);
void finish(std::uint32_t wid, std::uint32_t hgt);

// Walks size bytes of map text once, appending a point line per marked
// cell. size must not exceed IMAGE_CAPACITY: the listing image is sized
// for that.
ScanResult scan(const char* text, std::uint32_t size);

// begin, scan and, when the scan succeeds, finish: a whole conversion.
ScanResult convert(const char* text, std::uint32_t size);

}  // namespace gridpin
