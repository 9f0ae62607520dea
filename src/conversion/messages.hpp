// SPDX-License-Identifier: MIT
// Every message gridpin prints, each a whole line for standard error. The
// browser page shows the ones a map itself brings about, the same bytes,
// so they are made here, beside the conversion, for the tool and the page.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdio>

namespace gridpin::messages {

inline constexpr const char* usage = "usage: gridpin infile outfile\n";
inline constexpr const char* cantOpenIn = "cant open infile\n";
inline constexpr const char* cantRead = "problem reading infile\n";
inline constexpr const char* tooLarge = "infile too large\n";
inline constexpr const char* cantOpenOut = "cant open outfile\n";
inline constexpr const char* cantWrite = "problem writing to outfile\n";

// Room for the message of a refused byte, which is 34 bytes.
inline constexpr std::size_t UNEXPECTED_SIZE = 40;

// The message for a map refused at byte ch: the byte itself, or a space
// where it is not printable (only 0x7F is not, of the bytes refused), and
// its value in hex.
inline void unexpected(char (&text)[UNEXPECTED_SIZE], char ch) {
  const auto byte = static_cast<unsigned char>(ch);
  std::snprintf(text, sizeof text, "Unexpected character '%c' (%2Xh)\n",
                std::isprint(byte) ? byte : ' ', static_cast<unsigned>(byte));
}

}  // namespace gridpin::messages
