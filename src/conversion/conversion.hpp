// SPDX-License-Identifier: MIT
// Map conversion: the scanner that reads a map text and the coordinate
// listing it produces, with the two fixed images they work in, and the
// reader that turns a listing back into a map.
//
// A map text draws a grid, one row per line: 'O' is a marked cell, '.' a
// blank one. The listing is a header line "[wid,hgt] // map size" padded
// to HEADER_WIDTH columns, then one "[x,y]" line per marked cell in
// reading order. Nothing here touches files or prints messages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace gridpin {

// A decimal million, not 1 MiB: the largest map text the tool converts.
inline constexpr std::uint32_t IMAGE_CAPACITY = 1'000'000;

// Columns of the header line before its line feed.
inline constexpr std::uint32_t HEADER_WIDTH = 50;

// The size of the listing image. A point line is at most 16 bytes: the x
// cells of a line and, for each of the y lines above it, a cell and a line
// feed fit in IMAGE_CAPACITY bytes, so neither x nor y has more than six
// digits, as in "[999999,999999]\n", but for the x of a million that comes
// after a first line of a million cells, with y 0. A marked cell costs at
// least one byte of map text, so 16 bytes per input byte bound every
// listing (the largest that maps reach, a million O's on one line, is
// 10,888,941 bytes). Every point line is put in place with a fixed-size
// copy of POINT_SLACK bytes, which the image keeps as slack behind that.
inline constexpr std::uint32_t POINT_SLACK = 16;
inline constexpr std::uint32_t LISTING_CAPACITY =
    HEADER_WIDTH + 1 + POINT_SLACK * IMAGE_CAPACITY + POINT_SLACK;

// The two images of a conversion: the map text, and the listing made of
// it. Whoever runs conversions owns one, static (the images are large and
// nothing is allocated), and hands it to begin, scan and finish.
struct Images {
  // The map text. One byte more than the tool converts, so that a single
  // read can tell a map that is too large.
  char inBuf[IMAGE_CAPACITY + 1];
  // The listing image; its first outBufPos bytes are the listing. Never
  // cleared as a whole, so a small map touches only a few pages.
  char outBuf[LISTING_CAPACITY];
  std::uint32_t outBufPos;
};

// Outcome of a scan: the map size, or the first unexpected byte and where
// it is in the map text.
struct ScanResult {
  bool ok;
  char ch;
  std::uint32_t at;
  std::uint32_t wid;
  std::uint32_t hgt;
};

// What a byte of map text is, looked up in a table, so that telling the
// two kinds of cell from everything else is one test and a random mix of
// them is no branch to mispredict. The table follows one rule: a byte is
// skipped when, taken as a signed character, it is not a line feed and is
// at most 31. So bytes 0x80-0xFF fall in with the control bytes, as do CR
// and tab, and CR LF maps convert like LF.
namespace kind {
inline constexpr std::uint8_t skipped = 0, cell = 1, marked = 2, lineFeed = 4, unexpected = 8;
}
inline constexpr std::array<std::uint8_t, 256> kinds = [] {
  std::array<std::uint8_t, 256> of{};
  for (std::size_t b = 0; b < of.size(); ++b) {
    const auto ch = static_cast<signed char>(b);
    of[b] = ch == 'O'    ? kind::cell | kind::marked
            : ch == '.'  ? kind::cell
            : ch == '\n' ? kind::lineFeed
            : ch <= 31   ? kind::skipped
                         : kind::unexpected;
  }
  return of;
}();

// The one pass over size bytes of map text that every use of a map makes:
// it tells cells of each cell it meets, cells.cell(marked, at) with the
// cell's offset in the text, and of each line feed, cells.lineEnd(row, at)
// with the row that the next line's cells are on, and stops at the first
// unexpected byte. The listing is built from it, and so is a picture of
// the map that the page paints in, so that both place every cell alike.
template <class Cells>
ScanResult walk(const char* text, std::uint32_t size, Cells& cells) {
  std::uint32_t col = 0;  // cells so far on this line: x of the next cell
  std::uint32_t row = 0;  // non-empty lines closed so far: y of this line
  std::uint32_t wid = 0;
  std::uint32_t hgt = 0;
  bool lineTerm = true;   // no cell since the last line feed
  for (std::uint32_t pos = 0; pos < size; ++pos) {
    const std::uint8_t k = kinds[static_cast<unsigned char>(text[pos])];
    if (k & kind::cell) {
      cells.cell((k & kind::marked) != 0, pos);
      ++col;
      lineTerm = false;
    } else if (k == kind::lineFeed) {
      if (col > 0) {
        wid = col;  // the last non-empty line's width, not the longest
        ++row;
        ++hgt;
      }
      col = 0;
      lineTerm = true;
      cells.lineEnd(row, pos);
    } else if (k == kind::unexpected) {
      return {false, text[pos], pos, 0, 0};
    }
  }
  if (!lineTerm) {  // a last line with no line feed still counts
    wid = col;
    ++hgt;
  }
  return {true, 0, size, wid, hgt};
}

// A large listing fills thousands of fresh pages, and faulting them in one
// by one costs more than the conversion itself; huge pages, where the
// system offers them, cut that to a handful. At least the first 256 KiB
// stay on small pages, so a small map never pays for a huge one. Only
// advice: where it is not taken, nothing changes.
void preferHugePages(char* image, std::size_t size);

// The listing in im.outBuf, in the order a run makes it: begin, the point
// lines (scan), then finish once the map size is known.
void begin(Images& im);
void finish(Images& im, std::uint32_t wid, std::uint32_t hgt);

// The point line of the next cell on the current line, "[x,y]\n", kept
// ready as text. Listing a cell is then one fixed-size copy and one byte:
// x grows by one per cell, and the text changes only when the last digit
// of x carries, once in ten cells. Nothing per cell divides or formats.
// That last digit is the caller's, in a local of its loop: a member would
// make every cell wait for the store of the one before it.
struct PointLine {
  char text[POINT_SLACK];  // the line, but for the last digit of x
  std::uint32_t len;       // bytes of the line
  std::uint32_t last;      // where the last digit of x goes in text

  // x back to 0, on line y (the caller sets its last digit to '0').
  void startLine(std::uint32_t y);

  // Puts the line at p, in the listing image, and moves x on; returns
  // where the next line goes, which is past this one only when the cell
  // is marked. Both
  // cell kinds do the same work, so an unpredictable mix of them costs no
  // mispredicted branches. The digit is written into the listing's copy,
  // not into text: a byte stored into text and at once copied out with
  // the wider load of the next cell would stall every cell.
  char* put(char* p, bool marked, char& digit) {
    std::memcpy(p, text, sizeof text);
    p[last] = digit;
    char* next = p + static_cast<std::size_t>(len * marked);
    if (++digit > '9') {
      digit = '0';
      carry();
    }
    return next;
  }

  // The ten's digit and up move on by one.
  void carry();
};

// Walks the first size bytes of im.inBuf once, appending a point line per
// marked cell to the listing begun. size must not exceed IMAGE_CAPACITY:
// the listing image is sized for that.
ScanResult scan(Images& im, std::uint32_t size);

// begin, scan and, when the scan succeeds, finish: a whole conversion of
// the first size bytes of im.inBuf.
ScanResult convert(Images& im, std::uint32_t size);

// Why a listing is refused. A file that starts like a listing but breaks
// its form is refused at its first broken line; a well-formed one whose
// map would not fit is refused with the map's size.
enum class Flaw : std::uint8_t {
  none,
  tooLong,      // more bytes than any listing: refused unread
  header,       // not "[w,h] // map size" padded with spaces
  headerWidth,  // the header is not HEADER_WIDTH columns wide
  zeroWidth,    // [0,h] with h above 0
  zeroHeight,   // [w,0] with w above 0
  point,        // a line that is not "[x,y]"
  emptyLine,
  leadingZero,
  tooBig,       // a number past 4294967295
  crlfAfterLf,  // a line ends unlike the header
  lfAfterCrlf,
  order,        // a point before the one it follows in reading order
  twice,        // the same point again
  belowHeight,  // y is not below the height
  beyondWidth,  // on the last row, x is not below the width
  mapTooLarge,
};

// Outcome of reading a listing: the map's size, or the line that refuses
// it (1-based; 0 for the file as a whole) and why, with the numbers the
// reason names, in the order describe() says them.
struct ReadResult {
  bool ok;
  std::uint32_t size;
  std::uint32_t line;
  Flaw flaw;
  std::uint64_t n[4];
};

// Reads size bytes of listing text, as the tool writes it with LF or CR LF
// line ends (the header's, throughout; the last line may have none), into
// the one map that converts to that listing: its rows of blank cells, each
// as wide as the map but where a point lies beyond, with the listed cells
// marked, each row ended by a line feed. The map is written into map,
// which must not overlap text, and may take at most capacity bytes; a map
// that would take one more only for its last line feed is written without
// it, as it converts alike. size may be more than LISTING_CAPACITY: no
// listing is that long, so such a file is refused unread.
ReadResult readListing(const char* text, std::uint32_t size, char* map, std::uint32_t capacity);

// Room for the longest reason, 105 bytes and its terminating NUL.
inline constexpr std::size_t REASON_SIZE = 120;

// Why r refused its listing, a short phrase without the line: "y 4 is not
// below the height 4". Empty when r is ok.
void describe(char (&text)[REASON_SIZE], const ReadResult& r);

}  // namespace gridpin
