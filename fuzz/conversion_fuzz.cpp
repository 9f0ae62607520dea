// SPDX-License-Identifier: MIT
// Feeds any bytes to the conversion as a map and checks that it refuses
// what the reference conversion refuses and otherwise gives the same
// listing, byte for byte, within its image; and that the listing reads
// back into a map that gives that listing again.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bench/reference.hpp"
#include "conversion.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace gridpin;
  if (size > IMAGE_CAPACITY) return -1;
  const auto* text = reinterpret_cast<const char*>(data);
  const auto n = static_cast<std::uint32_t>(size);
  const ScanResult r = convert(text, n);
  const std::string_view want = reference::convert(text, n);
  if (r.ok == want.empty()) std::abort();
  if (!r.ok) return 0;
  if (outBufPos + POINT_SLACK > LISTING_CAPACITY || std::string_view(outBuf, outBufPos) != want) std::abort();
  // want is the reference's copy of the listing, which converting the map
  // read back writes over.
  const ReadResult back = readListing(outBuf, outBufPos, inBuf, IMAGE_CAPACITY);
  if (!back.ok || !convert(inBuf, back.size).ok || std::string_view(outBuf, outBufPos) != want) std::abort();
  return 0;
}
