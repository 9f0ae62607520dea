// SPDX-License-Identifier: MIT
// gridpin: converts a map text (a grid drawn with 'O' for a marked cell and
// '.' for a blank one, one row per line) into a coordinate listing.
//
//   gridpin infile outfile
//
// The whole map is read with one read and converted in memory before the
// output is opened, so a rejected map never creates or alters outfile.
// Messages go to standard error, never standard output; the status is 0 on
// success and 1 on any failure.
#include <cerrno>
#include <cstdio>

#include "conversion.hpp"
#include "messages.hpp"

// How a path reaches the file system: the one place where the platforms
// differ.
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <cwchar>
#include <windows.h>

// A narrow main and fopen see the command line through the ANSI code page,
// which turns every character outside it into a question mark. The wide
// entry point and _wfopen take any name as it is.
using PathChar = wchar_t;
static int run(int argc, PathChar** argv);
extern "C" int wmain(int argc, wchar_t** argv) { return run(argc, argv); }

// Windows refuses a path of 260 characters or more (a folder of 248 or
// more) unless the machine has long paths turned on, which most have not,
// or the path is in its verbatim form \\?\C:\... or \\?\UNC\server\....
// That form is taken as it stands: no relative parts, no forward slashes,
// no . or .., so the path is first made absolute by the system's own rules.
// Shorter paths are left alone, so that device names such as NUL, relative
// names and forward slashes behave as they always have; so are paths that
// already name a verbatim or device path. One buffer serves both files:
// the input is closed before the output's path is made.
static const wchar_t* verbatim(const wchar_t* path) {
  constexpr std::size_t longest = 32767;  // the longest path Windows takes
  constexpr std::size_t shortest = 248;
  // The path, behind room for the prefix: \\?\UNC\ takes the place of the
  // \\ that begins \\server, six characters more.
  static wchar_t buf[6 + longest + 1];
  if (std::wcslen(path) < shortest || std::wcsncmp(path, L"\\\\?\\", 4) == 0 ||
      std::wcsncmp(path, L"\\\\.\\", 4) == 0)
    return path;
  wchar_t* full = buf + 6;
  const DWORD n = GetFullPathNameW(path, longest + 1, full, nullptr);
  if (n == 0 || n > longest) return path;  // the open fails as it would have
  if (full[0] == L'\\' && full[1] == L'\\') {
    if ((full[2] == L'?' || full[2] == L'.') && full[3] == L'\\') return full;
    std::wmemcpy(buf, L"\\\\?\\UNC\\", 8);
    return buf;
  }
  std::wmemcpy(buf + 2, L"\\\\?\\", 4);
  return buf + 2;
}

static std::FILE* openIn(const wchar_t* path) { return _wfopen(verbatim(path), L"rb"); }
static std::FILE* openOut(const wchar_t* path) { return _wfopen(verbatim(path), L"w+"); }

// The shell hands wildcards over unexpanded; the runtime's start-up
// expands them before wmain, as Windows console tools do.
extern "C" {
int _dowildcard = -1;  // NOLINT(bugprone-reserved-identifier): the runtime's name
}
#else
#include <csignal>
#include <sys/stat.h>

using PathChar = char;
static int run(int argc, PathChar** argv);
int main(int argc, char** argv) { return run(argc, argv); }

static std::FILE* openIn(const char* path) { return std::fopen(path, "rb"); }

// Opened for update, a pipe or FIFO makes the tool a reader of its own
// output: with no other reader the listing vanishes into it, and when the
// reader goes away the write waits forever. So such a file is opened
// write-only, as any writer of a pipe does: it waits for a reader, and a
// reader that goes away fails the write, with SIGPIPE ignored so that the
// failure is reported instead of ending the run unseen.
static std::FILE* openOut(const char* path) {
  struct stat st {};
  if (stat(path, &st) == 0 && S_ISFIFO(st.st_mode)) {
    std::signal(SIGPIPE, SIG_IGN);
    return std::fopen(path, "w");
  }
  return std::fopen(path, "w+");
}
#endif

// The map text and its listing: a run's one conversion.
static gridpin::Images images;

static int fail(const char* msg) {
  std::fputs(msg, stderr);
  return 1;
}

static int run(int argc, PathChar** argv) {
  using namespace gridpin;
  if (argc != 3) return fail(messages::usage);

  std::FILE* inFile = openIn(argv[1]);
  if (!inFile) return fail(messages::cantOpenIn);
  // Asking for one byte more than is converted tells a map that is too
  // large, which is refused rather than cut short.
  const auto inBufSize = static_cast<std::uint32_t>(
      std::fread(images.inBuf, 1, sizeof images.inBuf, inFile));
  const bool readFailed = std::ferror(inFile) != 0;
  const int readErrno = errno;
  std::fclose(inFile);
  if (readFailed) {
    // Linux opens a directory for reading and fails only its read; Windows
    // refuses the open. Both are a path that is no map to open.
    return fail(readErrno == EISDIR ? messages::cantOpenIn : messages::cantRead);
  }
  if (inBufSize > IMAGE_CAPACITY) return fail(messages::tooLarge);

  preferHugePages(images.outBuf, sizeof images.outBuf);
  const ScanResult r = convert(images, inBufSize);
  if (!r.ok) {
    char text[messages::UNEXPECTED_SIZE];
    messages::unexpected(text, r.ch);
    return fail(text);
  }

  // Text mode: on Windows the line feeds reach the file as CR LF.
  std::FILE* outFile = openOut(argv[2]);
  if (!outFile) return fail(messages::cantOpenOut);
  if (std::fwrite(images.outBuf, 1, images.outBufPos, outFile) != images.outBufPos)
    return fail(messages::cantWrite);
  // A small listing is still in the stream's buffer here: a full disk
  // shows only when the close flushes it.
  if (std::fclose(outFile) != 0) return fail(messages::cantWrite);
  return 0;
}
