// SPDX-License-Identifier: MIT
// The reference conversion: the plain design the tool had before its point
// lines were kept ready as text, formatting x anew for every marked cell.
// The benchmark times the tool against it, and the tests and the fuzz
// target check that both give the same bytes for every map.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "conversion.hpp"

namespace gridpin::reference {

inline char refBuf[LISTING_CAPACITY];

// The listing of size bytes of map text, or an empty view when the map is
// refused.
inline std::string_view convert(const char* text, std::uint32_t size) {
  std::uint32_t col = 0, row = 0, wid = 0, hgt = 0, pos = HEADER_WIDTH + 1;
  bool lineTerm = true;
  char rowText[16];  // ",y]\n" of the current row
  std::uint32_t rowLen = 0, rowOf = 0;
  for (std::uint32_t i = 0; i < size; ++i) {
    const auto ch = static_cast<signed char>(text[i]);
    if (ch == '\n') {
      if (col > 0) wid = col, ++row, ++hgt;
      col = 0;
      lineTerm = true;
    } else if (ch <= 31) {
    } else if (ch == 'O' || ch == '.') {
      if (ch == 'O') {
        if (rowLen == 0 || row != rowOf) {
          rowText[0] = ',';
          char* end = std::to_chars(rowText + 1, rowText + sizeof rowText, row).ptr;
          *end++ = ']';
          *end++ = '\n';
          rowLen = static_cast<std::uint32_t>(end - rowText);
          rowOf = row;
        }
        char* p = refBuf + pos;
        *p++ = '[';
        p = std::to_chars(p, p + 10, col).ptr;
        std::memcpy(p, rowText, sizeof rowText);
        pos = static_cast<std::uint32_t>(p - refBuf) + rowLen;
      }
      ++col;
      lineTerm = false;
    } else {
      return {};
    }
  }
  if (!lineTerm) wid = col, ++hgt;
  std::memset(refBuf, ' ', HEADER_WIDTH);
  refBuf[HEADER_WIDTH] = '\n';
  char* end = std::to_chars(refBuf + 1, refBuf + HEADER_WIDTH, wid).ptr;
  refBuf[0] = '[';
  *end++ = ',';
  end = std::to_chars(end, refBuf + HEADER_WIDTH, hgt).ptr;
  std::memcpy(end, "] // map size", 13);
  return {refBuf, pos};
}

}  // namespace gridpin::reference
