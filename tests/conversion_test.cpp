// Unit tests of the scanner and the listing where a table of whole runs
// would be long: every byte value, numbers at every power of ten, and the
// largest listings. The map format's cases are in cli/cases.tsv. Expected
// listings are written the short way: "[3,2] [0,0] [2,0]" is the header
// line of a 3 x 2 map, then two points.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "conversion.hpp"

namespace {

using namespace gridpin;

std::string expand(const std::string& shorthand) {
  std::istringstream words(shorthand);
  std::string head;
  words >> head;
  std::string out = head + " // map size";
  out.resize(HEADER_WIDTH, ' ');
  out += '\n';
  for (std::string point; words >> point;) out += point + '\n';
  return out;
}

// The listing of a map, or "fail <byte>" when the scan refuses it.
std::string convertMap(const std::string& map) {
  const ScanResult r = convert(map.data(), static_cast<std::uint32_t>(map.size()));
  if (!r.ok) return "fail " + std::to_string(static_cast<unsigned char>(r.ch));
  return {outBuf, outBufPos};
}

TEST(SkippedBytes, TakeNoColumnAndEndNoLine) {
  // Every byte of 0x00-0x1F but the line feed, and every byte of 0x80-0xFF.
  for (int b = 0; b < 256; ++b) {
    if (b == '\n' || (b >= 0x20 && b < 0x80)) continue;
    SCOPED_TRACE(b);
    const std::string s(1, static_cast<char>(b));
    EXPECT_EQ(convertMap("O" + s + "O\n" + s + "\n.O" + s), expand("[2,2] [0,0] [1,0] [1,1]"));
    EXPECT_EQ(convertMap(s + s), expand("[0,0]"));
  }
}

TEST(UnexpectedBytes, EveryOtherPrintableByteFails) {
  for (int b = 0x20; b < 0x80; ++b) {
    if (b == 'O' || b == '.') continue;
    SCOPED_TRACE(b);
    const std::string s(1, static_cast<char>(b));
    EXPECT_EQ(convertMap("O.\n." + s + "0 x"), "fail " + std::to_string(b));
  }
}

TEST(UnexpectedBytes, FirstOneIsReported) {
  EXPECT_EQ(convertMap("OO \n"), "fail 32");
  EXPECT_EQ(convertMap("0O\n"), "fail 48");
  EXPECT_EQ(convertMap("\xE9o\x7F"), "fail 111");
  EXPECT_EQ(convertMap("O\t\x7Fo"), "fail 127");
}

TEST(Numbers, EveryPowerOfTen) {
  // Coordinates and sizes at n-1 and n for every power of ten, and at the
  // largest 32-bit value, which the header must fit in 50 columns.
  for (std::uint64_t n = 1; n <= 1'000'000'000; n *= 10) {
    for (const auto v : {static_cast<std::uint32_t>(n - 1), static_cast<std::uint32_t>(n),
                         4'294'967'295u}) {
      const std::string d = std::to_string(v);
      begin();
      addPoint(v, 7);
      addPoint(12, v);
      finish(v, v);
      EXPECT_EQ(std::string(outBuf, outBufPos),
                expand("[" + d + "," + d + "] [" + d + ",7] [12," + d + "]"));
    }
  }
}

TEST(Capacity, LargestListing) {
  // A whole map of marked cells on one line gives the longest listing.
  const std::string map(IMAGE_CAPACITY, 'O');
  ASSERT_TRUE(convert(map.data(), IMAGE_CAPACITY).ok);
  EXPECT_EQ(outBufPos, 10'888'941u);
  EXPECT_LE(outBufPos + POINT_SLACK, LISTING_CAPACITY);
  const std::string listing(outBuf, outBufPos);
  EXPECT_EQ(listing.substr(0, HEADER_WIDTH + 1), expand("[1000000,1]"));
  EXPECT_TRUE(listing.ends_with("\n[999998,0]\n[999999,0]\n"));
}

TEST(Capacity, TallestListing) {
  std::string map;
  for (int i = 0; i < 500'000; ++i) map += "O\n";
  ASSERT_TRUE(convert(map.data(), IMAGE_CAPACITY).ok);
  const std::string listing(outBuf, outBufPos);
  EXPECT_EQ(listing.substr(0, HEADER_WIDTH + 1), expand("[1,500000]"));
  EXPECT_TRUE(listing.ends_with("\n[0,499998]\n[0,499999]\n"));
}

}  // namespace
