// SPDX-License-Identifier: MIT
// Reading a coordinate listing back into a map: the rows of blank cells
// with the listed ones marked that convert to that very listing again, so
// that a listing can be opened where a map is drawn. A listing is read in
// one pass and its map written as it goes; what the tool could not have
// written is refused with the line it is on, and a listing whose map would
// not fit the input image with the size that map would take. Only the two
// texts are touched, the listing's and the map's.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

#include "conversion.hpp"

namespace gridpin {

namespace {

constexpr std::uint32_t NUMBER_LIMIT = std::numeric_limits<std::uint32_t>::max();

enum class End : std::uint8_t { none, lf, crlf };

// One line of the listing: its text, without its line end, and that end.
struct Line {
  const char* p;
  const char* end;
  End ends;
};

// The line that starts at rest; moves rest past it.
Line nextLine(const char*& rest, const char* end) {
  const auto* lf = static_cast<const char*>(std::memchr(rest, '\n', static_cast<std::size_t>(end - rest)));
  if (lf == nullptr) {
    const Line line{rest, end, End::none};
    rest = end;
    return line;
  }
  const bool cr = lf > rest && lf[-1] == '\r';
  const Line line{rest, cr ? lf - 1 : lf, cr ? End::crlf : End::lf};
  rest = lf + 1;
  return line;
}

bool digit(char c) { return c >= '0' && c <= '9'; }

// Reads a number at p, moving p past it; form is the flaw when there is
// none.
Flaw number(const char*& p, const char* end, std::uint32_t& v, Flaw form) {
  if (p == end || !digit(*p)) return form;
  if (*p == '0' && end - p > 1 && digit(p[1])) return Flaw::leadingZero;
  std::uint64_t n = 0;
  for (; p < end && digit(*p); ++p) {
    n = n * 10 + static_cast<std::uint64_t>(*p - '0');
    if (n > NUMBER_LIMIT) return Flaw::tooBig;
  }
  v = static_cast<std::uint32_t>(n);
  return Flaw::none;
}

bool skip(const char*& p, const char* end, std::string_view text) {
  if (static_cast<std::size_t>(end - p) < text.size() || std::memcmp(p, text.data(), text.size()) != 0)
    return false;
  p += text.size();
  return true;
}

// Reads "[a,b]" at p, which the header and every point line begin with.
Flaw pair(const char*& p, const char* end, std::uint32_t& a, std::uint32_t& b, Flaw form) {
  Flaw f = Flaw::none;
  if (!skip(p, end, "[")) return form;
  if ((f = number(p, end, a, form)) != Flaw::none) return f;
  if (!skip(p, end, ",")) return form;
  if ((f = number(p, end, b, form)) != Flaw::none) return f;
  return skip(p, end, "]") ? Flaw::none : form;
}

ReadResult refuse(std::uint32_t line, Flaw flaw, std::uint64_t a = 0, std::uint64_t b = 0, std::uint64_t c = 0,
                  std::uint64_t d = 0) {
  return {false, 0, line, flaw, {a, b, c, d}};
}

// A line that passes, where the reading goes on.
constexpr ReadResult passed{true, 0, 0, Flaw::none, {}};

// Reads the header line, the map's width and height.
ReadResult header(const Line& head, std::uint32_t& w, std::uint32_t& h) {
  const char* p = head.p;
  if (const Flaw f = pair(p, head.end, w, h, Flaw::header); f != Flaw::none) return refuse(1, f);
  if (!skip(p, head.end, " // map size") || std::find_if(p, head.end, [](char c) { return c != ' '; }) != head.end)
    return refuse(1, Flaw::header);
  if (const auto cols = static_cast<std::uint64_t>(head.end - head.p); cols != HEADER_WIDTH)
    return refuse(1, Flaw::headerWidth, cols);
  if (w == 0 && h != 0) return refuse(1, Flaw::zeroWidth, h);
  if (h == 0 && w != 0) return refuse(1, Flaw::zeroHeight, w);
  return passed;
}

// Reads a point line, whose line end must be the header's.
ReadResult point(const Line& l, std::uint32_t line, End ends, std::uint32_t& x, std::uint32_t& y) {
  if (l.ends != End::none && l.ends != ends)
    return refuse(line, l.ends == End::crlf ? Flaw::crlfAfterLf : Flaw::lfAfterCrlf);
  if (l.p == l.end) return refuse(line, Flaw::emptyLine);
  const char* p = l.p;
  Flaw f = pair(p, l.end, x, y, Flaw::point);
  if (f == Flaw::none && p != l.end) f = Flaw::point;
  return f == Flaw::none ? passed : refuse(line, f);
}

// The points of a listing, checked one by one against the header and the
// point before, and the bytes of the map they make, counted apart from
// writing it so that a map too large for its image is still measured.
struct Points {
  std::uint32_t w;
  std::uint32_t h;
  std::uint32_t x = 0;  // the point before, if any
  std::uint32_t y = 0;
  bool any = false;
  std::uint64_t need;  // bytes of the map so far but its last line feed

  // Why the point (nx,ny) on line cannot follow, if it cannot; else it
  // is taken.
  ReadResult add(std::uint32_t line, std::uint32_t nx, std::uint32_t ny) {
    if (ny >= h) return refuse(line, Flaw::belowHeight, ny, h);
    if (any && (ny < y || (ny == y && nx <= x)))
      return refuse(line, nx == x && ny == y ? Flaw::twice : Flaw::order, x, y, nx, ny);
    // The last row is as long as the width: the map's width is its length.
    if (ny == h - 1 && nx >= w) return refuse(line, Flaw::beyondWidth, nx, ny, w);
    // A point beyond the width lengthens its row, beyond any before it.
    const std::uint64_t len = std::max<std::uint64_t>(any && ny == y ? x + 1ULL : 0, w);
    if (nx + 1ULL > len) need += nx + 1ULL - len;
    x = nx;
    y = ny;
    any = true;
    return passed;
  }
};

// The map as it is written, row by row: blank cells up to each point, and
// each row filled out to the width and ended when a point lies below it.
struct Writer {
  char* out;
  std::uint32_t w;
  std::uint32_t at = 0;   // bytes written
  std::uint32_t row = 0;  // the row being written
  std::uint32_t len = 0;  // its cells so far

  Writer(char* map, std::uint32_t width) : out(map), w(width) {}

  void fill(std::uint32_t to) {
    if (len >= to) return;
    std::memset(out + at, '.', to - len);
    at += to - len;
    len = to;
  }
  void endRow() {
    fill(w);
    out[at++] = '\n';
    ++row;
    len = 0;
  }
  void mark(std::uint32_t x, std::uint32_t y) {
    while (row < y) endRow();
    fill(x);
    out[at++] = 'O';
    ++len;
  }
  // The rows after the last point, and the last row's line feed where it
  // fits: without it, the map converts alike.
  void finish(std::uint32_t h, std::uint32_t capacity) {
    if (h == 0) return;
    while (row + 1 < h) endRow();
    fill(w);
    if (at < capacity) out[at++] = '\n';
  }
};

// The most digits a 64-bit number has, in groups of three with a comma
// between, and the terminating NUL.
constexpr std::size_t GROUPED_SIZE = 20 + 6 + 1;

// "1,000,000": v with its digits in groups of three.
void grouped(char (&text)[GROUPED_SIZE], std::uint64_t v) {
  char digits[20];
  const auto n = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, v).ptr - digits);
  std::size_t at = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) text[at++] = ',';
    text[at++] = digits[i];
  }
  text[at] = '\0';
}

}  // namespace

ReadResult readListing(const char* text, std::uint32_t size, char* map, std::uint32_t capacity) {
  if (size > LISTING_CAPACITY) return refuse(0, Flaw::tooLong, LISTING_CAPACITY);
  const char* rest = text;
  const char* const end = text + size;
  const Line head = nextLine(rest, end);
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  if (const ReadResult r = header(head, w, h); !r.ok) return r;
  // The rows and the line feeds between them.
  Points points{w, h, 0, 0, false, h == 0 ? 0 : std::uint64_t{h} * w + h - 1};
  Writer writer(map, w);
  std::uint32_t over = points.need > capacity ? 1 : 0;  // the line that passed capacity
  for (std::uint32_t line = 2; rest < end; ++line) {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    if (const ReadResult r = point(nextLine(rest, end), line, head.ends, x, y); !r.ok) return r;
    if (const ReadResult r = points.add(line, x, y); !r.ok) return r;
    // Past capacity, the rest is still read: a broken line says more
    // about the file than the size of a map it does not describe.
    if (over == 0 && points.need > capacity) over = line;
    if (over == 0) writer.mark(x, y);
  }
  if (over != 0) return refuse(over, Flaw::mapTooLarge, points.need, capacity);
  writer.finish(h, capacity);
  return {true, writer.at, 0, Flaw::none, {}};
}

void describe(char (&text)[REASON_SIZE], const ReadResult& r) {
  const auto n = [&r](int i) { return static_cast<unsigned long long>(r.n[i]); };
  char a[GROUPED_SIZE];
  char b[GROUPED_SIZE];
  grouped(a, r.n[0]);
  grouped(b, r.n[1]);
  const char* fixed = "";
  switch (r.flaw) {
    case Flaw::none: break;
    case Flaw::tooLong:
      std::snprintf(text, sizeof text, "the file holds more than the %s bytes a listing can take", a);
      return;
    case Flaw::header:
      fixed = "the header does not read \"[width,height] // map size\" padded with spaces";
      break;
    case Flaw::headerWidth:
      std::snprintf(text, sizeof text, "the header is %llu columns wide, not %u", n(0), HEADER_WIDTH);
      return;
    case Flaw::zeroWidth:
      std::snprintf(text, sizeof text, "the width is 0 but the height is %llu: only an empty map has width 0",
                    n(0));
      return;
    case Flaw::zeroHeight:
      std::snprintf(text, sizeof text, "the height is 0 but the width is %llu: only an empty map has height 0",
                    n(0));
      return;
    case Flaw::point: fixed = "the line does not read \"[x,y]\""; break;
    case Flaw::emptyLine: fixed = "an empty line: a listing has none"; break;
    case Flaw::leadingZero: fixed = "a number with a leading zero"; break;
    case Flaw::tooBig: fixed = "a number larger than 4,294,967,295"; break;
    case Flaw::crlfAfterLf:
      fixed = "the line ends in CR LF but the header in LF: a listing's lines all end alike";
      break;
    case Flaw::lfAfterCrlf:
      fixed = "the line ends in LF but the header in CR LF: a listing's lines all end alike";
      break;
    case Flaw::order:
      std::snprintf(text, sizeof text,
                    "[%llu,%llu] comes before [%llu,%llu]: a listing holds its points in reading order", n(0),
                    n(1), n(2), n(3));
      return;
    case Flaw::twice:
      std::snprintf(text, sizeof text, "[%llu,%llu] comes twice: a listing holds each point once", n(0), n(1));
      return;
    case Flaw::belowHeight:
      std::snprintf(text, sizeof text, "y %llu is not below the height %llu", n(0), n(1));
      return;
    case Flaw::beyondWidth:
      std::snprintf(text, sizeof text,
                    "[%llu,%llu] lies beyond the width %llu on the last row, whose length is the width", n(0),
                    n(1), n(2));
      return;
    case Flaw::mapTooLarge:
      std::snprintf(text, sizeof text, "the map would take at least %s bytes, more than the %s a map holds", a, b);
      return;
  }
  std::snprintf(text, sizeof text, "%s", fixed);
}

}  // namespace gridpin
