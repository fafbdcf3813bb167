// The numbers of the common shapes ([sign] digits [. digits] for "%lf",
// [sign] digits for "%d") are read straight from the buffer. Every other one
// (exponents, long mantissas, hexadecimal, inf, nan, malformed texts, a number
// that runs into the end of the buffer) is handed to the C library's own
// scanf, over the characters up to the first blank: no number goes on past a
// blank, so the C library sees what it would see in the whole input, and its
// position afterwards tells what it consumed, the characters it keeps on a
// failure included.
#include "fast_input.hpp"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/types.h>
#include <system_error>
#include <type_traits>
#include <unistd.h>
#include <utility>

namespace pipeline::fast_backend {

namespace {

int lower(int c)
{
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

bool is_digit(int c)
{
    return c >= '0' && c <= '9';
}

constexpr double powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

} // namespace

Input::Source::~Source()
{
    if (close_fd && fd >= 0)
        ::close(fd);
}

Input::Input(std::unique_ptr<Source> owned) : owned_(std::move(owned)), s_(owned_.get()) {}

Input::Input(Input&& other) noexcept : owned_(std::move(other.owned_)), s_(std::exchange(other.s_, nullptr)) {}

Input& Input::operator=(Input&& other) noexcept
{
    if (this != &other) {
        owned_ = std::move(other.owned_);
        s_ = std::exchange(other.s_, nullptr);
    }
    return *this;
}

Input::~Input() = default;

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
    source->pieces = std::string(text);
    source->piece = std::max<std::size_t>(piece, 1);
    return Input(std::move(source));
}

Input::Source& Input::standard_source()
{
    static Source source;
    static const bool ready = [] {
        source.fd = STDIN_FILENO;
        source.flush_stdout = ::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1;
        return true;
    }();
    (void)ready;
    return source;
}

Input Input::standard_input()
{
    return Input(&standard_source());
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
    ssize_t n = 0;
    if (s.fd < 0) {
        n = static_cast<ssize_t>(std::min({s.piece, s.pieces.size() - s.pieces_pos, space}));
        if (n > 0)
            std::memcpy(to, s.pieces.data() + s.pieces_pos, static_cast<std::size_t>(n));
        s.pieces_pos += static_cast<std::size_t>(n);
    } else {
        // The C library flushes a terminal's output before it waits for a line.
        if (s.flush_stdout)
            std::fflush(stdout);
        do
            n = ::read(s.fd, to, space);
        while (n < 0 && errno == EINTR);
    }
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

namespace {

// How many of the 8 characters at p are decimal digits before the first other
// one, and the value of those digits: the digits are turned into numbers all
// at once, in the 8 bytes of one 64-bit word.
inline int leading_digits(const char* p, std::uint64_t& value)
{
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word); // the first character in the low byte
    const std::uint64_t y = word ^ 0x3030303030303030ULL; // a digit byte becomes its value
    // A byte is no digit when its value is 10 or more (or its high bit is set).
    const std::uint64_t other =
        (((y & 0x7f7f7f7f7f7f7f7fULL) + 0x7676767676767676ULL) | y) & 0x8080808080808080ULL;
    const int n = other == 0 ? 8 : std::countr_zero(other) / 8;
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

// The digits from q on, at most 15 of them, added to m; q moves past them. False
// when they run into the end of the buffer or go on past 15.
inline bool add_digits(const char*& q, const char* end, std::uint64_t& m)
{
    if (end - q > 8) { // a run shorter than 8, and the character after it
        std::uint64_t v = 0;
        const int n = leading_digits(q, v);
        if (n < 8) {
            m = m * whole_powers_of_ten[n] + v;
            q += n;
            return true;
        }
    }
    // Long runs, and runs near the end of the buffer, one digit at a time.
    const char* first = q;
    const char* stop = end - q > 16 ? q + 16 : end;
    while (q < stop && is_digit(*q))
        m = m * 10 + static_cast<std::uint64_t>(*q++ - '0');
    return q < stop && q - first <= 15;
}

// The common shapes, read straight from the buffer: [sign] digits [. digits]
// for "%lf", [sign] digits for "%d", followed by a character that cannot go on
// the number. Anything else (exponents, "0x", "inf", "nan", long numbers, a
// number reaching the end of what the buffer holds) is left to the scanners
// above: false.
bool plain_decimal(const char* p, std::size_t available, double& value, std::size_t& consumed)
{
    const char* q = p;
    const char* end = p + available;
    const bool negative = *q == '-';
    q += negative || *q == '+' ? 1 : 0;
    std::uint64_t m = 0;
    const char* digits = q;
    if (!add_digits(q, end, m))
        return false;
    std::ptrdiff_t count = q - digits;
    std::ptrdiff_t decimals = 0;
    if (*q == '.') {
        const char* first = ++q;
        if (!add_digits(q, end, m))
            return false;
        decimals = q - first;
        count += decimals;
    }
    // The character after the number is in the buffer: it must not go on the number.
    if (count == 0 || count > 15 || lower(*q) == 'e' || lower(*q) == 'x')
        return false;
    // Up to 15 digits make less than 2^53: exact, as is 10^decimals. The sign
    // is set on the bits (v is +0.0 or more), without a branch that random
    // signs would keep mispredicting.
    const double v = static_cast<double>(m) / powers_of_ten[decimals];
    value = std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) | static_cast<std::uint64_t>(negative) << 63);
    consumed = static_cast<std::size_t>(q - p);
    return true;
}

// The length of a number of the shape plain_decimal reads, of any number of
// digits, followed in the buffer by a character that cannot go on it.
bool plain_decimal_length(const char* p, std::size_t available, std::size_t& consumed)
{
    const char* q = p;
    const char* end = p + available;
    q += q < end && (*q == '-' || *q == '+') ? 1 : 0;
    const char* digits = q;
    while (q < end && is_digit(*q))
        ++q;
    std::ptrdiff_t count = q - digits;
    if (q < end && *q == '.') {
        const char* first = ++q;
        while (q < end && is_digit(*q))
            ++q;
        count += q - first;
    }
    if (q == end || count == 0 || lower(*q) == 'e' || lower(*q) == 'x')
        return false;
    consumed = static_cast<std::size_t>(q - p);
    return true;
}

bool plain_whole(const char* p, std::size_t available, int base, long& value, std::size_t& consumed)
{
    const char* q = p;
    const char* end = p + available;
    const bool negative = *q == '-';
    q += negative || *q == '+' ? 1 : 0;
    // For "%i", a leading 0 makes octal or hexadecimal: left to the scanner.
    if (q == end || !is_digit(*q) || (base == 0 && *q == '0'))
        return false;
    std::uint64_t m = 0;
    if (!add_digits(q, end, m))
        return false;
    value = negative ? -static_cast<long>(m) : static_cast<long>(m);
    consumed = static_cast<std::size_t>(q - p);
    return true;
}

} // namespace

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

// Inlined into convert_double and convert_float: one call per number.
template <class F>
[[gnu::always_inline]] inline int Input::convert_floating(F& value)
{
    skip_blanks();
    if (peek(0) == EOF)
        return fin_de_fichier;
    if constexpr (std::is_same_v<F, double>) {
        std::size_t consumed = 0;
        if (plain_decimal(here(), s_->end - s_->pos, value, consumed)) {
            take(consumed);
            return 1;
        }
    }
    return convert_with_c_library(std::is_same_v<F, double> ? "%lf" : "%f", value);
}

int Input::convert_double(double& value)
{
    return convert_floating(value);
}

// A number that is only checked: the common shapes are measured without being
// converted, the others converted and dropped.
int Input::check_double()
{
    skip_blanks();
    if (peek(0) == EOF)
        return fin_de_fichier;
    std::size_t consumed = 0;
    if (plain_decimal_length(here(), s_->end - s_->pos, consumed)) {
        take(consumed);
        return 1;
    }
    double ignored = 0;
    return convert_floating(ignored);
}

int Input::convert_float(float& value)
{
    return convert_floating(value);
}

[[gnu::always_inline]] inline int Input::convert_whole(int& value, int base)
{
    skip_blanks();
    if (peek(0) == EOF)
        return fin_de_fichier;
    long plain = 0;
    std::size_t consumed = 0;
    if (plain_whole(here(), s_->end - s_->pos, base, plain, consumed)) {
        take(consumed);
        value = static_cast<int>(plain);
        return 1;
    }
    return convert_with_c_library(base == 10 ? "%d" : "%i", value);
}

int Input::convert_decimal(int& value)
{
    return convert_whole(value, 10);
}

int Input::convert_integer(int& value)
{
    return convert_whole(value, 0);
}

int Input::convert_word(std::string& word)
{
    skip_blanks();
    if (peek(0) == EOF)
        return fin_de_fichier;
    std::string read;
    while (true) {
        const char* p = here();
        const char* end = s_->data.get() + s_->end;
        const char* q = p;
        while (q < end && !is_space(static_cast<unsigned char>(*q)))
            ++q;
        read.append(p, q);
        take(static_cast<std::size_t>(q - p));
        if (q < end || !fill())
            break;
    }
    word = std::move(read);
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
    } else if (s.piece > 0) {
        s.pos = s.end = 0;
        s.pieces_pos = 0;
        s.exhausted = false;
    } else {
        s.pos = 0; // a text reader holds the whole text
    }
}

} // namespace pipeline::fast_backend
