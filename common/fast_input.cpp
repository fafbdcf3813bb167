// The numbers of the common shape ([sign] digits [. digits], at most 15
// digits for a real, 18 for an integer) are read straight from the buffer,
// eight digits at a time; every other decimal real (long mantissas,
// exponents) by fast_float, which gives the correctly rounded double or float
// of any decimal text, as strtod and strtof do. scanf takes the longest text
// that could start a number and converts what it took: these parses stop at
// the same character for every decimal number followed by a character that
// cannot go on it. The other texts go to the C library's own scanf: "inf",
// "nan", hexadecimal numbers, "%i" with a leading 0, partial matches ("1e+"
// followed by a letter, "100ergs": scanf consumes what it tried and converts
// less), integers of more than 18 digits, and malformed texts (what scanf
// consumes on a failure). It sees the characters up to the first blank: no
// number goes on past a blank, so it sees what it would see in the whole
// input, and its position afterwards tells what it consumed.
#include "common/fast_input.hpp"

#include <fast_float/fast_float.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/types.h>
#include <system_error>
#include <type_traits>
#include <unistd.h>
#include <utility>

namespace pipeline::fast_backend {

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// How many of the 8 characters at p are decimal digits before the first other
// one, and the value of those digits: the digits are turned into numbers all
// at once, in the 8 bytes of one 64-bit word.
[[gnu::always_inline]] inline int leading_digits(const char* p, std::uint64_t& value)
{
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word); // the first character in the low byte
    const std::uint64_t y = word ^ 0x3030303030303030ULL; // a digit byte becomes its value
    // A byte is no digit when its value is 10 or more (or its high bit is set).
    const std::uint64_t other =
        (((y & 0x7f7f7f7f7f7f7f7fULL) + 0x7676767676767676ULL) | y) & 0x8080808080808080ULL;
    const int n = other == 0 ? 8 : std::countr_zero(other) / 8;
    value = 0;
    if (n == 0)
        return 0;
    // The n digits to the top bytes, zeros (leading zeros) below them, then
    // pairs, fours and eights of digits combined.
    std::uint64_t v = n == 8 ? y : y << (8 * (8 - n));
    v = v * 10 + (v >> 8);
    v = ((v & 0x000000ff000000ffULL) * (100 + (1000000ULL << 32)) +
         ((v >> 16) & 0x000000ff000000ffULL) * (1 + (10000ULL << 32))) >>
        32;
    value = v;
    return n;
}

constexpr std::uint64_t whole_powers_of_ten[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
constexpr double powers_of_ten[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The run of digits from q: q moves past it, and its digits go on m (which
// wraps past 19 of them).
[[gnu::always_inline]] inline void digit_run(const char*& q, const char* end, std::uint64_t& m)
{
    while (end - q >= 8) {
        std::uint64_t v = 0;
        const int n = leading_digits(q, v);
        m = m * whole_powers_of_ten[n] + v;
        q += n;
        if (n < 8)
            return;
    }
    for (; q < end && is_digit(*q); ++q)
        m = m * 10 + static_cast<std::uint64_t>(*q - '0');
}

// Whether scanf goes on past a decimal real whose digits start at `digits`,
// into the character at q: an exponent's "e" (or the start of one that is not
// there: a partial match), or the "x" of a hexadecimal number after a lone 0.
bool goes_on(const char* digits, const char* q)
{
    const char c = static_cast<char>(*q | 0x20); // lower case, for letters
    return c == 'e' || (c == 'x' && q - digits == 1 && *digits == '0');
}

// A number of the common shape: [sign] digits [. digits] for a real, [sign]
// digits for an integer.
struct Plain {
    const char* end = nullptr; // past it; nullptr: none, or scanf goes on past it
    std::uint64_t digits = 0;  // its digits, the point aside (exact up to 19 of them)
    std::ptrdiff_t count = 0;  // how many digits
    std::ptrdiff_t decimals = 0; // how many after the point
    bool negative = false;
};

[[gnu::always_inline]] inline Plain plain_number(const char* p, const char* end, bool real)
{
    Plain n;
    n.negative = *p == '-';
    const char* first = p + (*p == '-' || *p == '+');
    const char* q = first;
    digit_run(q, end, n.digits);
    n.count = q - first;
    if (real && q < end && *q == '.') {
        const char* point = q++;
        digit_run(q, end, n.digits);
        n.decimals = q - point - 1;
        n.count += n.decimals;
    }
    if (n.count > 0 && (q == end || !real || !goes_on(first, q)))
        n.end = q;
    return n;
}

// The end of the plain decimal real at p, or nullptr.
constexpr auto plain_real_end = [](const char* p, const char* end) { return plain_number(p, end, true).end; };

} // namespace

Input::Source::~Source()
{
    if (close_fd && fd >= 0)
        ::close(fd);
}

Input::Input(std::unique_ptr<Source> owned) : owned_(std::move(owned)), s_(owned_.get()) {}

std::optional<Input> Input::open(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY);
    if (fd < 0)
        return std::nullopt;
    auto source = std::make_unique<Source>();
    source->fd = fd;
    source->close_fd = true;
    return Input(std::move(source));
}

Input Input::over_text(std::string_view text)
{
    auto source = std::make_unique<Source>();
    source->capacity = std::max<std::size_t>(text.size(), 1);
    source->data = std::make_unique<char[]>(source->capacity);
    std::memcpy(source->data.get(), text.data(), text.size());
    source->end = text.size();
    source->exhausted = true;
    return Input(std::move(source));
}

Input Input::over_text_in_pieces(std::string_view text, std::size_t piece)
{
    auto source = std::make_unique<Source>();
    source->fd = ::memfd_create("pieces", 0);
    source->close_fd = true;
    source->piece = std::max<std::size_t>(piece, 1);
    if (source->fd < 0 || ::write(source->fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        ::lseek(source->fd, 0, SEEK_SET) != 0)
        throw std::system_error(errno, std::generic_category(), "over_text_in_pieces");
    return Input(std::move(source));
}

// One Source for the whole process, shared by every Reader on standard
// input, as the C library's stdin stream is (the programs read it on their
// main thread only).
Input Input::standard_input()
{
    static Source source;
    if (source.fd < 0) {
        source.fd = STDIN_FILENO;
        source.flush_stdout = ::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1;
    }
    return Input(&source);
}

bool Input::fill()
{
    Source& s = *s_;
    if (s.exhausted)
        return false;
    if (s.pos > 0) {
        std::memmove(s.data.get(), s.data.get() + s.pos, s.end - s.pos);
        s.end -= s.pos;
        s.pos = 0;
    }
    if (s.end == s.capacity) {
        // In pieces, the buffer starts small, so that long numbers make it grow.
        const std::size_t first = s.piece > 0 ? 16 : read_block;
        const std::size_t grown = s.capacity == 0 ? first : 2 * s.capacity;
        auto data = std::make_unique<char[]>(grown);
        if (s.end > 0)
            std::memcpy(data.get(), s.data.get(), s.end);
        s.data = std::move(data);
        s.capacity = grown;
    }
    char* to = s.data.get() + s.end;
    const std::size_t space = s.capacity - s.end;
    // The C library flushes a terminal's output before it waits for a line.
    if (s.flush_stdout)
        std::fflush(stdout);
    // A read that a caught signal interrupts is not restarted: like a read
    // error, it ends the input, as it ends the C library's scanf, and the
    // program can act on the signal.
    const ssize_t n = ::read(s.fd, to, s.piece > 0 ? std::min(space, s.piece) : space);
    if (n <= 0) {
        s.exhausted = true;
        return false;
    }
    s.end += static_cast<std::size_t>(n);
    return true;
}

int Input::peek_filling(std::size_t k)
{
    while (s_->pos + k >= s_->end)
        if (!fill())
            return EOF;
    return static_cast<unsigned char>(s_->data[s_->pos + k]);
}

// The number at the next character parsed by parse(p, end), which gives where
// it ends, or nullptr when it leaves it to the C library. A number that
// reaches the end of what the buffer holds is parsed again once more is read:
// the character after it decides where it ends.
template <class Parse>
const char* Input::parse_held(Parse parse)
{
    while (true) {
        const char* q = parse(here(), s_->data.get() + s_->end);
        if (q != s_->data.get() + s_->end)
            return q;
        if (!fill()) // which may have moved the buffer: the number ends the input
            return s_->data.get() + s_->end;
    }
}

// A number the fast path declines, read by the C library's scanf with the
// directive: its characters up to the first blank (included, when there is
// one) go to a memory stream, whose position afterwards is what was consumed.
template <class T>
int Input::convert_with_c_library(const char* directive, T& value)
{
    std::size_t n = 0;
    for (int c; (c = peek(n)) != EOF;) {
        ++n;
        if (is_space(c))
            break;
    }
    std::string window(here(), n);
    std::FILE* file = fmemopen(window.data(), window.size(), "r");
    if (!file)
        throw std::bad_alloc();
    T read{};
    const int r = std::fscanf(file, directive, &read);
    const long consumed = std::ftell(file);
    std::fclose(file);
    take(static_cast<std::size_t>(consumed));
    if (r == 1)
        value = read;
    return r == EOF ? fin_de_fichier : r;
}

// The common shape of a double, followed in the buffer by the character that
// ends it, directly; any other decimal real by fast_float; the others by the C
// library.
template <class F>
int Input::convert_real(F& value)
{
    skip_blanks();
    if (peek(0) == EOF)
        return fin_de_fichier;
    if constexpr (std::is_same_v<F, double>) {
        // Up to 15 digits make less than 2^53: exact, as is 10^decimals, and
        // the quotient is correctly rounded. The sign is set on the bits (v is
        // +0.0 or more), without a branch that random signs would keep
        // mispredicting.
        const char* end = s_->data.get() + s_->end;
        const Plain n = plain_number(here(), end, true);
        if (n.end && n.end < end && n.count <= 15) {
            const double v = static_cast<double>(n.digits) / powers_of_ten[n.decimals];
            value = std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) | static_cast<std::uint64_t>(n.negative) << 63);
            take(static_cast<std::size_t>(n.end - here()));
            return 1;
        }
    }
    F read{};
    const char* q = parse_held([&read](const char* p, const char* end) -> const char* {
        const char* digits = p + (*p == '-' || *p == '+');
        if (digits == end || !(is_digit(*digits) || *digits == '.'))
            return nullptr; // inf, nan, a lone sign or no number
        const auto [last, error] = fast_float::from_chars(p + (*p == '+'), end, read);
        if (error != std::errc() || (last < end && goes_on(digits, last)))
            return nullptr;
        return last;
    });
    if (!q)
        return convert_with_c_library(std::is_same_v<F, double> ? "%lf" : "%f", value);
    take(static_cast<std::size_t>(q - here()));
    value = read;
    return 1;
}

template int Input::convert_real(double& value);
template int Input::convert_real(float& value);

// A plain decimal number is only checked and kept as it is written; any other
// is converted now.
int Input::convert_number(NumberText& number)
{
    skip_blanks();
    if (peek(0) == EOF)
        return fin_de_fichier;
    const char* q = parse_held(plain_real_end);
    const char* p = here() + (*here() == '+');
    if (q && static_cast<std::size_t>(q - p) <= NumberText::capacity) {
        const auto readable = static_cast<std::size_t>(s_->data.get() + s_->end - p);
        number.hold_text(std::string_view(p, static_cast<std::size_t>(q - p)), readable);
        take(static_cast<std::size_t>(q - here()));
        return 1;
    }
    double value = 0;
    const int r = convert_real(value);
    if (r == 1)
        number.hold_value(value);
    return r;
}

int Input::convert_whole(int& value, int base)
{
    skip_blanks();
    if (peek(0) == EOF)
        return fin_de_fichier;
    long read = 0;
    const char* q = parse_held([&read, base](const char* p, const char* end) -> const char* {
        // For "%i", a leading 0 makes octal or hexadecimal.
        const char* first = p + (*p == '-' || *p == '+');
        if (first == end || (base == 0 && *first == '0'))
            return nullptr;
        const Plain n = plain_number(p, end, false);
        if (n.count > 18)
            return nullptr;
        const auto m = static_cast<long>(n.digits); // below 10^18
        read = n.negative ? -m : m;
        return n.end;
    });
    if (!q)
        return convert_with_c_library(base == 10 ? "%d" : "%i", value);
    take(static_cast<std::size_t>(q - here()));
    value = static_cast<int>(read); // scanf stores the long as an int, reduced alike
    return 1;
}

int Input::convert_word(std::string& word)
{
    skip_blanks();
    if (peek(0) == EOF)
        return fin_de_fichier;
    const char* q = parse_held([](const char* p, const char* end) {
        while (p < end && !is_space(static_cast<unsigned char>(*p)))
            ++p;
        return p;
    });
    word.assign(here(), q);
    take(static_cast<std::size_t>(q - here()));
    return 1;
}

bool Input::read_line(std::string& line, std::size_t max_chars)
{
    line.clear();
    while (line.size() < max_chars) {
        if (s_->pos == s_->end && !fill())
            break;
        const std::size_t avail = std::min(s_->end - s_->pos, max_chars - line.size());
        const char* p = here();
        const auto* newline = static_cast<const char*>(std::memchr(p, '\n', avail));
        const std::size_t n = newline ? static_cast<std::size_t>(newline - p) + 1 : avail;
        line.append(p, n);
        take(n);
        if (newline)
            break;
    }
    return !line.empty();
}

std::size_t Input::read_bytes(std::span<char> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (s_->pos == s_->end && s_->fd >= 0 && !s_->exhausted && !s_->flush_stdout &&
            bytes.size() - done >= read_block / 4) {
            // Nothing buffered and a whole block asked for: read straight into it.
            const ssize_t n = ::read(s_->fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                s_->exhausted = true;
                break;
            }
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (s_->pos == s_->end && !fill())
            break;
        const std::size_t n = std::min(s_->end - s_->pos, bytes.size() - done);
        std::memcpy(bytes.data() + done, here(), n);
        take(n);
        done += n;
    }
    return done;
}

void Input::rewind()
{
    Source& s = *s_;
    if (s.fd >= 0) {
        // A pipe or a terminal cannot go back: what is buffered stays.
        if (::lseek(s.fd, 0, SEEK_SET) >= 0)
            s.pos = s.end = 0;
        s.exhausted = false;
    } else {
        s.pos = 0; // a text reader holds the whole text
    }
}

} // namespace pipeline::fast_backend
