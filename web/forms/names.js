// A map's name made a name that C (C99 to C23), C++ (C++98 to C++23) and
// Arduino sketches all take, beside the usual standard headers: letters
// outside ASCII as their plain letter, a run of anything else one
// underscore (never two: C++ keeps names with two for itself), "map_"
// before a leading digit, "_map" after a name taken, and after one that
// ends as a header's own macros and arrays do, so that no two names of
// two maps' headers ever clash.
import { stem } from "../bytes.js";

// Keywords of both languages, their alternative tokens and macros of
// <stdbool.h> and <iso646.h>, main, and the names the headers people
// include with a map declare: <stdio.h>, <stdlib.h>, <string.h>,
// <stdint.h>, <limits.h>, <errno.h>, <time.h>, <math.h>, <ctype.h>,
// <stddef.h>, and Arduino's own.
export const TAKEN = new Set(`
auto break case char const continue default do double else enum extern float for goto if inline int long register
restrict return short signed sizeof static struct switch typedef union unsigned void volatile while alignas alignof bool
constexpr false nullptr static_assert thread_local true typeof typeof_unqual asm fortran
and and_eq bitand bitor catch char8_t char16_t char32_t class compl concept consteval constinit const_cast co_await
co_return co_yield decltype delete dynamic_cast explicit export final friend import module mutable namespace new noexcept
not not_eq operator or or_eq override private protected public reinterpret_cast requires static_cast template this throw
try typeid typename using virtual wchar_t xor xor_eq main complex imaginary noreturn assert offsetof
FILE fpos_t size_t NULL EOF BUFSIZ FILENAME_MAX FOPEN_MAX L_tmpnam TMP_MAX SEEK_CUR SEEK_END SEEK_SET stdin stdout stderr
remove rename tmpfile tmpnam fclose fflush fopen freopen setbuf setvbuf fprintf fscanf printf scanf snprintf sprintf sscanf
vfprintf vfscanf vprintf vscanf vsnprintf vsprintf vsscanf fgetc fgets fputc fputs getc getchar gets putc putchar puts
ungetc fread fwrite fgetpos fseek fsetpos ftell rewind clearerr feof ferror perror fileno popen pclose getline getdelim
dprintf fdopen
div_t ldiv_t lldiv_t EXIT_FAILURE EXIT_SUCCESS MB_CUR_MAX RAND_MAX atof atoi atol atoll strtod strtof strtold strtol
strtoll strtoul strtoull rand srand random srandom aligned_alloc calloc free malloc realloc abort atexit at_quick_exit exit
getenv setenv unsetenv putenv quick_exit system bsearch qsort abs labs llabs div ldiv lldiv mblen mbtowc wctomb mbstowcs
wcstombs mkstemp realpath
memcpy memmove strcpy strncpy strcat strncat memcmp strcmp strcoll strncmp strxfrm memchr strchr strcspn strpbrk strrchr
strspn strstr strtok memset strerror strlen strdup strndup memccpy strnlen strtok_r strsignal index rindex bzero bcmp bcopy
SIZE_MAX PTRDIFF_MIN PTRDIFF_MAX SIG_ATOMIC_MIN SIG_ATOMIC_MAX WCHAR_MIN WCHAR_MAX WINT_MIN WINT_MAX intmax_t uintmax_t
intptr_t uintptr_t INTMAX_MIN INTMAX_MAX UINTMAX_MAX INTPTR_MIN INTPTR_MAX UINTPTR_MAX INTMAX_C UINTMAX_C ptrdiff_t
max_align_t nullptr_t
CHAR_BIT SCHAR_MIN SCHAR_MAX UCHAR_MAX CHAR_MIN CHAR_MAX MB_LEN_MAX SHRT_MIN SHRT_MAX USHRT_MAX INT_MIN INT_MAX UINT_MAX
LONG_MIN LONG_MAX ULONG_MAX LLONG_MIN LLONG_MAX ULLONG_MAX
errno
clock_t time_t tm timespec CLOCKS_PER_SEC TIME_UTC clock difftime mktime time timespec_get asctime ctime gmtime localtime
strftime tzset timezone daylight tzname nanosleep clock_gettime
float_t double_t HUGE_VAL HUGE_VALF HUGE_VALL INFINITY NAN FP_INFINITE FP_NAN FP_NORMAL FP_SUBNORMAL FP_ZERO FP_ILOGB0
FP_ILOGBNAN MATH_ERRNO MATH_ERREXCEPT math_errhandling fpclassify isfinite isinf isnan isnormal signbit acos asin atan
atan2 cos sin tan acosh asinh atanh cosh sinh tanh exp exp2 expm1 frexp ilogb ldexp log log10 log1p log2 logb modf scalbn
scalbln cbrt fabs hypot pow sqrt erf erfc lgamma tgamma ceil floor nearbyint rint lrint llrint round lround llround trunc
fmod remainder remquo copysign nan nextafter nexttoward fdim fmax fmin fma isgreater isgreaterequal isless islessequal
islessgreater isunordered j0 j1 jn y0 y1 yn gamma signgam drem finite significand exp10 pow10 sincos
isalnum isalpha isblank iscntrl isdigit isgraph islower isprint ispunct isspace isupper isxdigit tolower toupper isascii
toascii
PROGMEM byte word boolean setup loop HIGH LOW INPUT OUTPUT PI min max constrain sq bit`.trim().split(/\s+/));

// Names taken by a pattern: <stdint.h>'s types and limits, <errno.h>'s
// E and a capital or digit, <math.h>'s functions with f or l after and
// M_ constants.
const PATTERNS = [/^u?int(_least|_fast)?(8|16|32|64)_t$/, /^U?INT(_LEAST|_FAST)?(8|16|32|64)_(MAX|MIN|C)$/, /^E[A-Z0-9]/,
  /^M_[A-Z0-9_]+$/];
const MATH = /^(.+)[fl]$/;
export const taken = (id) => TAKEN.has(id) || PATTERNS.some((p) => p.test(id)) ||
  (MATH.test(id) && TAKEN.has(MATH.exec(id)[1]) && /^[a-z]/.test(id));

// The endings of the names a header makes of its map's: C's NAME_WIDTH,
// NAME_HEIGHT and its guard NAME_H; XBM's NAME_width, NAME_height and
// NAME_bits.
const ENDINGS = /_(WIDTH|HEIGHT|H|width|height|bits)$/;

// Letters that no accent taken away makes ASCII.
const PLAIN = { ß: "ss", æ: "ae", Æ: "AE", œ: "oe", Œ: "OE", ø: "o", Ø: "O", ł: "l", Ł: "L", đ: "d", Đ: "D", ð: "d", Ð: "D",
  þ: "th", Þ: "Th", ı: "i" };
const LONGEST = 48;  // C keeps 63 characters of a name; the longest ending added leaves room

export function identifier(name) {
  let id = stem(name).normalize("NFD").replace(/[\u0300-\u036f]/g, "").replace(/[^\0-\x7f]/g, (c) => PLAIN[c] ?? "_")
    .replace(/[^A-Za-z0-9]+/g, "_").slice(0, LONGEST).replace(/^_+|_+$/g, "");
  if (!id) return "map";
  if (/^[0-9]/.test(id)) id = `map_${id}`;
  return taken(id) || ENDINGS.test(id) ? `${id}_map` : id;
}
