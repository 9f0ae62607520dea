// SPDX-License-Identifier: MIT
// Feeds any bytes to the conversion as a map and checks that it refuses
// what the reference conversion refuses and otherwise gives the same
// listing, byte for byte, within its image; and that the listing reads
// back into a map that gives that listing again.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "conversion.hpp"
#include "tests/reference.hpp"

namespace {
gridpin::Images images;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace gridpin;
  if (size > IMAGE_CAPACITY) return -1;
  const auto* text = reinterpret_cast<const char*>(data);
  const auto n = static_cast<std::uint32_t>(size);
  std::memcpy(images.inBuf, text, size);
  const ScanResult r = convert(images, n);
  const std::string_view want = reference::convert(text, n);
  if (r.ok == want.empty()) std::abort();
  if (!r.ok) return 0;
  const auto listing = [] { return std::string_view(images.outBuf, images.outBufPos); };
  if (images.outBufPos + POINT_SLACK > LISTING_CAPACITY || listing() != want) std::abort();
  // want is the reference's copy of the listing, which converting the map
  // read back writes over.
  const ReadResult back = readListing(images.outBuf, images.outBufPos, images.inBuf, IMAGE_CAPACITY);
  if (!back.ok || !convert(images, back.size).ok || listing() != want) std::abort();
  return 0;
}
