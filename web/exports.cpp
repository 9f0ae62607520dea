// SPDX-License-Identifier: MIT
// The browser page's way into the conversion, compiled to WebAssembly. The
// page puts the map text into the input image and calls convert: out come
// the listing, byte for byte as the tool writes it, or the tool's message
// for a refused map and where the refused byte is. Then layOut lays the
// map's cells out for rendering and painting, by the same walk over the text.
// A listing file goes the other way: the page puts it into the listing
// image and calls readListing, which writes its map into the input image,
// ready to convert, or says on which line and why the listing is refused.
#include <cstddef>
#include <cstdint>

#include "conversion.hpp"
#include "messages.hpp"

#define EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace {

using namespace gridpin;

Images images;  // the map text and its listing

ScanResult result;
const char* message = "";  // the tool's message for a refused map
char unexpectedText[messages::UNEXPECTED_SIZE];

ReadResult reading;  // of the last listing read
char reasonText[REASON_SIZE];

// The layout, for rendering the map and painting in it: for each cell in
// reading order, 1 if it is marked, and the offset of its byte in the
// text; where each row's cells begin, with the end of the last row behind
// it; and where each row's line ends, at its line feed or, for a last
// line with none, at the end of the text. A row takes a cell and a line
// feed, but for the last one, so a map has at most half a million rows.
std::uint8_t cells[IMAGE_CAPACITY];
std::uint32_t cellAt[IMAGE_CAPACITY];
std::uint32_t rowStart[IMAGE_CAPACITY / 2 + 1];
std::uint32_t rowEnd[IMAGE_CAPACITY / 2 + 1];

struct Layout {
  std::uint32_t n;    // cells so far
  std::uint32_t row;  // the row of the next cell
  void cell(bool marked, std::uint32_t at) {
    cells[n] = marked;
    cellAt[n++] = at;
  }
  void lineEnd(std::uint32_t next, std::uint32_t at) {
    if (next != row) rowEnd[row] = at;  // the line feed that closes a row
    row = next;
    rowStart[next] = n;
  }
};

}  // namespace

EXPORT(input) char* input() { return images.inBuf; }
EXPORT(capacity) std::uint32_t capacity() { return IMAGE_CAPACITY; }
EXPORT(headerWidth) std::uint32_t headerWidth() { return HEADER_WIDTH; }

// 0 when the map converts, 1 when it is refused, as the tool's status.
// size may be one more than the tool converts, to tell a map too large.
EXPORT(convert) int convertMap(std::uint32_t size) {
  if (size > IMAGE_CAPACITY) {
    result = {false, 0, IMAGE_CAPACITY, 0, 0};
    message = messages::tooLarge;
    return 1;
  }
  result = convert(images, size);
  if (result.ok) return 0;
  messages::unexpected(unexpectedText, result.ch);
  message = unexpectedText;
  return 1;
}

EXPORT(listing) const char* listing() { return images.outBuf; }
EXPORT(listingSize) std::uint32_t listingSize() { return images.outBufPos; }
EXPORT(message) const char* messageText() { return result.ok ? "" : message; }
EXPORT(refusedAt) std::uint32_t refusedAt() { return result.at; }
EXPORT(width) std::uint32_t width() { return result.wid; }
EXPORT(height) std::uint32_t height() { return result.hgt; }

// The listing's point lines: every line but the header.
EXPORT(points) std::uint32_t points() {
  std::uint32_t n = 0;
  for (std::uint32_t i = HEADER_WIDTH + 1; i < images.outBufPos; ++i) n += images.outBuf[i] == '\n';
  return n;
}

// What the last layout found. The page reads it at these offsets, which
// conversion.js names: this layout is its half of that agreement.
struct LaidOut {
  std::uint32_t ok;   // 1 if the map converts
  std::uint32_t at;   // where its refused byte is
  std::uint32_t wid;
  std::uint32_t hgt;
};
static_assert(offsetof(LaidOut, ok) == 0 && offsetof(LaidOut, at) == 4 && offsetof(LaidOut, wid) == 8 &&
              offsetof(LaidOut, hgt) == 12 && sizeof(LaidOut) == 16);
LaidOut laidOut;

// Lays out the cells of size bytes of map text, up to a refused byte, and
// returns how many rows they take: those of a refused map end with the row
// of the refused byte, which is where its cell would have been, and that
// row ends at the refused byte. No listing is made.
EXPORT(layOut) std::uint32_t layOut(std::uint32_t size) {
  Layout p{0, 0};
  rowStart[0] = 0;
  const ScanResult r = walk(images.inBuf, size, p);
  laidOut = {r.ok, r.at, r.wid, r.hgt};
  const std::uint32_t rows = r.ok ? r.hgt : p.row + 1;
  if (rows > p.row) rowEnd[p.row] = r.ok ? size : r.at;
  rowStart[rows] = p.n;
  return rows;
}
EXPORT(laid) const LaidOut* laid() { return &laidOut; }
EXPORT(laidSize) std::uint32_t laidSize() { return sizeof laidOut; }
EXPORT(cells) const std::uint8_t* cellsOf() { return cells; }
EXPORT(cellAt) const std::uint32_t* cellAtOf() { return cellAt; }
EXPORT(rowStarts) const std::uint32_t* rowStarts() { return rowStart; }
EXPORT(rowEnds) const std::uint32_t* rowEnds() { return rowEnd; }

// The listing image (see listing) also takes a listing file to read back
// into a map, in place of the listing of the map before: convert then
// writes the new map's listing anew.
EXPORT(listingCapacity) std::uint32_t listingCapacity() { return LISTING_CAPACITY; }

// Reads size bytes of listing in the listing image into a map in the input
// image, and returns the map's size, which convert takes next, or -1 when
// the listing is refused. size may be more than listingCapacity, for a
// file larger than the image: it is refused unread.
EXPORT(readListing) int readMap(std::uint32_t size) {
  reading = readListing(images.outBuf, size, images.inBuf, IMAGE_CAPACITY);
  describe(reasonText, reading);
  return reading.ok ? static_cast<int>(reading.size) : -1;
}
// The refused listing's line, counted from 1 (0 for the file as a whole),
// and why, a phrase without the line: "y 4 is not below the height 4".
EXPORT(readLine) std::uint32_t readLine() { return reading.line; }
EXPORT(readReason) const char* readReason() { return reasonText; }
