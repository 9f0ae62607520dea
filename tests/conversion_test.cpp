// SPDX-License-Identifier: MIT
// The scanner and listing where a table of whole runs (cli/cases.tsv)
// would be long; listings read back into maps, or refused. Listings are
// written the short way: "[3,2] [0,0] [2,0]" is the header line of a 3 x 2
// map, then two points.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

#include "bench/maps.hpp"
#include "conversion.hpp"
#include "tests/reference.hpp"

namespace {

using namespace gridpin;

// The header line of a map of size "[w,h]", padded to cols columns, with
// no line end.
std::string header(const std::string& size, std::size_t cols = HEADER_WIDTH) {
  std::string out = size + " // map size";
  out.resize(cols, ' ');
  return out;
}

std::string expand(const std::string& shorthand) {
  std::istringstream words(shorthand);
  std::string head;
  words >> head;
  std::string out = header(head) + '\n';
  for (std::string point; words >> point;) out += point + '\n';
  return out;
}

std::string repeat(const std::string& text, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += text;
  return out;
}

Images images;

// The map put in the input image and converted.
ScanResult convertText(const std::string& map) {
  std::memcpy(images.inBuf, map.data(), map.size());
  return convert(images, static_cast<std::uint32_t>(map.size()));
}

// The listing of a map, or "fail <byte> at <index>" when the scan refuses it.
std::string convertMap(const std::string& map) {
  const ScanResult r = convertText(map);
  if (!r.ok) return "fail " + std::to_string(static_cast<unsigned char>(r.ch)) + " at " + std::to_string(r.at);
  return {images.outBuf, images.outBufPos};
}

TEST(Conversion, EveryByteValue) {
  for (int b = 0; b < 256; ++b) {
    if (b == 'O' || b == '.' || b == '\n') continue;  // in the table
    SCOPED_TRACE(b);
    const std::string s(1, static_cast<char>(b));
    const std::string got = convertMap("O" + s + "O\n" + s + "\n.O" + s);
    if (b >= 0x20 && b < 0x80) {
      EXPECT_EQ(got, "fail " + std::to_string(b) + " at 1");
    } else {  // skipped: takes no column and ends no line
      EXPECT_EQ(got, expand("[2,2] [0,0] [1,0] [1,1]"));
    }
  }
}

TEST(Conversion, HeaderAtEveryPowerOfTen) {
  for (std::uint64_t n = 1; n <= 1'000'000'000; n *= 10) {
    for (const auto v : {static_cast<std::uint32_t>(n - 1), static_cast<std::uint32_t>(n),
                         4'294'967'295u}) {
      const std::string d = std::to_string(v);
      begin(images);
      finish(images, v, v);
      EXPECT_EQ(std::string(images.outBuf, images.outBufPos), expand("[" + d + "," + d + "]"));
    }
  }
}

// The map read from a listing, or "line N: reason" when it is refused. The
// map goes into an image of IMAGE_CAPACITY bytes with guard bytes behind
// it, which must stay as they were.
std::string readBack(const std::string& listing) {
  constexpr std::size_t guard = 64;
  static char map[IMAGE_CAPACITY + guard];
  std::memset(map + IMAGE_CAPACITY, '#', guard);
  const ReadResult r = readListing(listing.data(), static_cast<std::uint32_t>(listing.size()), map, IMAGE_CAPACITY);
  EXPECT_EQ(std::string_view(map + IMAGE_CAPACITY, guard), std::string(guard, '#'));
  if (r.ok) return {map, r.size};
  char reason[REASON_SIZE];
  describe(reason, r);
  return "line " + std::to_string(r.line) + ": " + reason;
}

std::string crlf(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '\n' ? "\r\n" : std::string(1, c);
  return out;
}

TEST(Reading, Listings) {
  const std::string dots(999'999, '.'), head = header("[3,2]");
  const auto form = [](int line, bool point) {
    return "line " + std::to_string(line) + (point ? ": the line does not read \"[x,y]\""
                                                   : ": the header does not read \"[width,height] // map size\" padded with spaces");
  };
  const auto tooLarge = [](const std::string& line, const std::string& bytes) {
    return "line " + line + ": the map would take at least " + bytes + " bytes, more than the 1,000,000 a map holds";
  };
  const std::string tooBig = ": a number larger than 4,294,967,295", zero = ": a number with a leading zero";
  const std::string ends = " but the header in ";
  // A listing and the map it reads to, or "line N: reason".
  const struct {
    std::string listing, want;
  } cases[] = {
      // Maps, each row filled out to the width or to its last point.
      {expand("[0,0]"), ""},
      {expand("[3,2] [0,0] [2,0] [1,1]"), "O.O\n.O.\n"},
      {expand("[3,2]"), "...\n...\n"},
      {expand("[2,3] [4,0] [1,2]"), "....O\n..\n.O\n"},
      {expand("[2,3] [0,0] [3,0] [5,0] [6,1]"), "O..O.O\n......O\n..\n"},
      // The size limit, without the last line feed, which a map of exactly
      // 1,000,000 bytes goes without; the line that passes it.
      {expand("[999999,1]"), dots + "\n"},
      {expand("[1000000,1] [999999,0]"), dots + "O"},
      {expand("[1,500000]"), repeat(".\n", 500'000)},
      {expand("[1000001,1]"), tooLarge("1", "1,000,001")},
      {expand("[1,500001]"), tooLarge("1", "1,000,001")},
      {expand("[1,2] [999998,0]"), tooLarge("2", "1,000,001")},
      {expand("[1,2] [499999,0] [999998,0]"), tooLarge("3", "1,000,001")},
      {expand("[1000001,1] [0,0] x"), form(3, true)},
      // Numbers up to the largest 32-bit one.
      {expand("[4294967295,4294967295]"), tooLarge("1", "18,446,744,069,414,584,319")},
      {expand("[1,2] [0,4294967295]"), "line 2: y 4294967295 is not below the height 2"},
      {expand("[4294967296,1]"), "line 1" + tooBig},
      {expand("[1,2] [0,4294967296]"), "line 2" + tooBig},
      {expand("[03,2]"), "line 1" + zero},
      {expand("[3,2] [1,00]"), "line 2" + zero},
      // The header.
      {header("[3,2]", 49) + "\n", "line 1: the header is 49 columns wide, not 50"},
      {header("[3,2]", 51) + "\r\n", "line 1: the header is 51 columns wide, not 50"},
      {header("[3,2]", 51), "line 1: the header is 51 columns wide, not 50"},
      {"", form(1, false)},
      {"O.O\n", form(1, false)},
      {"[3,2] // map SIZE" + std::string(33, ' ') + "\n", form(1, false)},
      {head.substr(0, 49) + "x\n", form(1, false)},
      {head + "\r", form(1, false)},
      {header("[3,2,1]") + "\n", form(1, false)},
      {header("[+3,2]") + "\n", form(1, false)},
      {expand("[0,3]"), "line 1: the width is 0 but the height is 3: only an empty map has width 0"},
      {expand("[3,0]"), "line 1: the height is 0 but the width is 3: only an empty map has height 0"},
      // The points.
      {expand("[0,0] [0,0]"), "line 2: y 0 is not below the height 0"},
      {expand("[3,2] [0,2]"), "line 2: y 2 is not below the height 2"},
      {expand("[3,2] [3,1]"), "line 2: [3,1] lies beyond the width 3 on the last row, whose length is the width"},
      {expand("[3,2] [2,0] [1,0]"), "line 3: [2,0] comes before [1,0]: a listing holds its points in reading order"},
      {expand("[3,2] [0,1] [2,0]"), "line 3: [0,1] comes before [2,0]: a listing holds its points in reading order"},
      {expand("[3,2] [1,0] [1,0]"), "line 3: [1,0] comes twice: a listing holds each point once"},
      {expand("[3,2] [0,0"), form(2, true)},
      {expand("[3,2] [0,0,0]"), form(2, true)},
      {head + "\n[0, 0]\n", form(2, true)},
      {head + "\n[0,0] \n", form(2, true)},
      // Line ends: the header's throughout, none needed after the last;
      // nothing after the last line.
      {head + "\r\n[0,0]\r\n[1,0]", "OO.\n...\n"},
      {head + "\n[0,0]\r\n", "line 2: the line ends in CR LF" + ends + "LF: a listing's lines all end alike"},
      {head + "\r\n[0,0]\r\n[1,0]\n[2,0]\r\n", "line 3: the line ends in LF" + ends + "CR LF: a listing's lines all end alike"},
      {head + "\n[0,0]\r", form(2, true)},
      {expand("[3,2] [0,0]") + "\n", "line 3: an empty line: a listing has none"},
      {expand("[3,2] [0,0]") + std::string(1, '\0'), form(3, true)},
      // No listing is longer than the listing image.
      {std::string(LISTING_CAPACITY, '['), form(1, false)},
      {std::string(LISTING_CAPACITY + 1, '['), "line 0: the file holds more than the 16,000,067 bytes a listing can take"},
  };
  for (const auto& [listing, want] : cases) {
    SCOPED_TRACE(listing.substr(0, 120));
    EXPECT_EQ(readBack(listing), want);
    if (want.starts_with("line ") || !listing.ends_with('\n')) continue;
    // The same map from CR LF line ends, and with no last line end.
    for (const std::string& text : {listing, crlf(listing)}) {
      EXPECT_EQ(readBack(text), want);
      EXPECT_EQ(readBack(text.substr(0, text.size() - (text.ends_with("\r\n") ? 2 : 1))), want);
    }
  }
}

// Every kind of line a map has, and the largest: every x up to 999999 on
// one line, every y up to 499999, each line's first cell again and again;
// each converted as the reference does, read back and converted again.
TEST(Reading, RoundTrips) {
  const std::string maps[] = {"", "\n\n", "O", ".", "O.O\n.O.", ".O.\r\n..O\r\n", "\n\n..O\n\n.\n", "O\tO\xe9\n...\n",
                              "....O\n.\n", "O\n..........\nO", "..........O\n...\n\x01", "O.\x80\xff\n\r\n.O\r\n",
                              repeat(".\xe9", 500'000), bench::makeMap(0), bench::makeMap(1), bench::makeMap(2),
                              repeat("O\n", 500'000)};
  for (const std::string& map : maps) {
    SCOPED_TRACE(map.substr(0, 40));
    const std::string listing = convertMap(map);
    ASSERT_LE(images.outBufPos + POINT_SLACK, LISTING_CAPACITY);
    EXPECT_TRUE(listing == reference::convert(map.data(), static_cast<std::uint32_t>(map.size())));
    const std::string back = readBack(listing);
    EXPECT_TRUE(convertMap(back) == listing);
    EXPECT_TRUE(readBack(crlf(listing)) == back);
  }
}

}  // namespace
