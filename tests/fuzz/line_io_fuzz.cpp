// Fuzz target: the same bytes read and written by the C stdio backend and by
// the fast backend; any difference aborts the run with both results.
//
// Input layout: byte 0 gives the number of actions (1 to 8), then two bytes
// per action (what to do, and its format index or length), then the size of
// the pieces in which the fast backend is fed, then the text itself. The first
// eight bytes of the text, as a double, and the next four, as an int, are also
// printed with every print format.
#include "tests/common/backend_compare.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void fail(const std::string& why)
{
    std::fprintf(stderr, "backends differ: %s\n", why.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::size_t at = 0;
    const std::size_t count = data[at++] % 8 + 1;
    std::vector<equivalence::Action> actions;
    for (std::size_t n = 0; n < count && at + 1 < size; ++n, at += 2)
        actions.push_back({static_cast<equivalence::Step>(data[at] % 5), data[at + 1]});
    if (actions.empty())
        return 0;
    const std::size_t piece = at < size ? data[at++] % 16 + 1 : 1;
    const std::string text(reinterpret_cast<const char*>(data) + at, size - at);

    if (std::string why = equivalence::reader_difference(text, actions, piece); !why.empty())
        fail(why);

    const auto formats = equivalence::scan_formats();
    const auto& format = formats[actions.front().arg % formats.size()];
    if (std::strchr(format.targets, 's') == nullptr || text.find('\0') == std::string::npos)
        if (std::string why = equivalence::whole_scan_difference(text, format); !why.empty())
            fail(why);

    double d = 0;
    int i = 0;
    std::memcpy(&d, text.data(), std::min(sizeof d, text.size()));
    if (text.size() > sizeof d)
        std::memcpy(&i, text.data() + sizeof d, std::min(sizeof i, text.size() - sizeof d));
    for (const auto& p : equivalence::print_formats())
        if (std::string why = equivalence::print_difference(p, d, i, text); !why.empty())
            fail(why);
    return 0;
}
