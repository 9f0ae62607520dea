// SPDX-License-Identifier: MIT
// Unit tests of the scanner and the listing where a table of whole runs
// would be long: every byte value, the header at every power of ten, and
// large maps against the reference conversion. The map format's cases are
// in cli/cases.tsv. Expected listings are written the short way:
// "[3,2] [0,0] [2,0]" is the header line of a 3 x 2 map, then two points.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "bench/maps.hpp"
#include "bench/reference.hpp"
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

// The listing of a map, or "fail <byte> at <index>" when the scan refuses it.
std::string convertMap(const std::string& map) {
  const ScanResult r = convert(map.data(), static_cast<std::uint32_t>(map.size()));
  if (!r.ok) return "fail " + std::to_string(static_cast<unsigned char>(r.ch)) + " at " + std::to_string(r.at);
  return {outBuf, outBufPos};
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
      begin();
      finish(v, v);
      EXPECT_EQ(std::string(outBuf, outBufPos), expand("[" + d + "," + d + "]"));
    }
  }
}

TEST(Conversion, LargeMapsAsTheReference) {
  // Every x up to 999999 on one line, every y up to 499999, and each
  // line's first cell again and again.
  std::string tallest;
  for (int i = 0; i < 500'000; ++i) tallest += "O\n";
  for (const std::string& map : {bench::makeMap(0), bench::makeMap(1), bench::makeMap(2), tallest}) {
    const auto size = static_cast<std::uint32_t>(map.size());
    ASSERT_TRUE(convert(map.data(), size).ok);
    ASSERT_LE(outBufPos + POINT_SLACK, LISTING_CAPACITY);
    EXPECT_TRUE(std::string_view(outBuf, outBufPos) == reference::convert(map.data(), size));
  }
}

}  // namespace
