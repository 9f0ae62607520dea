// SPDX-License-Identifier: MIT
// Feeds any bytes to the reader as a listing and checks that it refuses
// them on one of their lines, or reads a map whose listing is those very
// bytes, but for CR LF line ends, which the tool's listing has as LF, and
// a last line end, which it never lacks; and that the listing with CR LF
// line ends reads to the same map.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "conversion.hpp"

namespace {

using namespace gridpin;

Images images;

// The map read from a listing, if it is not refused.
std::optional<std::string> map(std::string_view listing) {
  const ReadResult r = readListing(listing.data(), static_cast<std::uint32_t>(listing.size()), images.inBuf, IMAGE_CAPACITY);
  if (!r.ok) {
    // Every flaw's reason, with every number the fuzzer finds, formatted
    // under the sanitizers.
    char reason[REASON_SIZE];
    describe(reason, r);
    // The line that refuses them is one of theirs, or 0 for them all.
    std::uint32_t lines = 1;
    for (std::size_t i = 0; i + 1 < listing.size(); ++i) lines += listing[i] == '\n';
    if (r.line > lines || (r.line == 0) != (r.flaw == Flaw::tooLong)) std::abort();
    return std::nullopt;
  }
  if (r.size > IMAGE_CAPACITY) std::abort();
  return std::string(images.inBuf, r.size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > LISTING_CAPACITY) return -1;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> read = map(text);
  if (!read) return 0;
  // The header's line end is the listing's: its 51st byte is a line feed
  // or the CR before one.
  const bool crlf = size > HEADER_WIDTH && text[HEADER_WIDTH] == '\r';
  std::string lf;
  for (std::size_t i = 0; i < size; ++i) {
    const bool cr = text[i] == '\r' && i + 1 < size && text[i + 1] == '\n';
    if (crlf && text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) std::abort();  // a bare LF got in
    if (!(crlf && cr)) lf += text[i];
  }
  if (!lf.ends_with('\n')) lf += '\n';
  // The map read is still in the input image, where it is converted.
  const ScanResult r = convert(images, static_cast<std::uint32_t>(read->size()));
  if (!r.ok || std::string_view(images.outBuf, images.outBufPos) != lf) std::abort();
  std::string crlfForm;
  for (const char c : lf) crlfForm += c == '\n' ? "\r\n" : std::string(1, c);
  if (map(crlfForm) != read) std::abort();
  return 0;
}
