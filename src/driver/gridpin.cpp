// gridpin: converts a map text (a grid drawn with 'O' for a marked cell and
// '.' for a blank one, one row per line) into a coordinate listing.
//
//   gridpin infile outfile
//
// The whole map is read with one read and converted in memory before the
// output is opened, so a rejected map never creates or alters outfile.
// Messages go to standard error, never standard output; the status is 0 on
// success and 1 on any failure.
#include <cctype>
#include <cerrno>
#include <cstdio>

#include "conversion.hpp"

#ifdef __MINGW32__
// On Windows the shell hands wildcards over unexpanded; the runtime's
// start-up expands them before main, as Windows console tools do.
extern "C" {
int _dowildcard = -1;  // NOLINT(bugprone-reserved-identifier): the runtime's name
}
#endif

namespace {

int fail(const char* msg) {
  std::fputs(msg, stderr);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace gridpin;
  if (argc != 3) return fail("usage: gridpin infile outfile\n");

  std::FILE* inFile = std::fopen(argv[1], "rb");
  if (!inFile) return fail("cant open infile\n");
  // Asking for one byte more than is converted tells a map that is too
  // large, which is refused rather than cut short.
  inBufSize = static_cast<std::uint32_t>(
      std::fread(inBuf, 1, sizeof inBuf, inFile));
  const bool readFailed = std::ferror(inFile) != 0;
  const int readErrno = errno;
  std::fclose(inFile);
  if (readFailed) {
    // Linux opens a directory for reading and fails only its read; Windows
    // refuses the open. Both are a path that is no map to open.
    return fail(readErrno == EISDIR ? "cant open infile\n"
                                    : "problem reading infile\n");
  }
  if (inBufSize > IMAGE_CAPACITY) return fail("infile too large\n");

  preferHugePages(outBuf, sizeof outBuf);
  const ScanResult r = convert(inBuf, inBufSize);
  if (!r.ok) {
    const auto byte = static_cast<unsigned char>(r.ch);
    std::fprintf(stderr, "Unexpected character '%c' (%2Xh)\n",
                 std::isprint(byte) ? byte : ' ', static_cast<unsigned>(byte));
    return 1;
  }

  // Update mode in text mode: on Windows the line feeds reach the file as
  // CR LF.
  std::FILE* outFile = std::fopen(argv[2], "w+");
  if (!outFile) return fail("cant open outfile\n");
  if (std::fwrite(outBuf, 1, outBufPos, outFile) != outBufPos)
    return fail("problem writing to outfile\n");
  // A small listing is still in the stream's buffer here: a full disk
  // shows only when the close flushes it.
  if (std::fclose(outFile) != 0) return fail("problem writing to outfile\n");
  return 0;
}
