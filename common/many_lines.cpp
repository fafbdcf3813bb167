#include "common/many_lines.hpp"

#include "common/two_stage.hpp"

#include <cstddef>
#include <string>

namespace pipeline {

void write_lines(Writer& out, int count, long long values, const std::function<void(Writer&, int)>& line)
{
#ifndef RUGOSITE_STDIO_REFERENCE
    // Below this, starting a thread costs more than it saves.
    constexpr long long in_parallel = 1 << 16;
    if (values >= in_parallel && count > 1) {
        struct Text {
            int i = 0;
            std::string bytes;
        };
        int next = 0;
        // Lots of a few lines: the text formatted ahead stays small.
        constexpr std::size_t lines_per_lot = 4;
        two_stage<Text>(
            [&](Text& t) {
                if (next == count)
                    return false;
                t.i = next++;
                if (t.i % 2 == 1) {
                    Writer memory = Writer::in_memory();
                    line(memory, t.i);
                    t.bytes = memory.memory_text();
                }
                return true;
            },
            [&](const Text& t) {
                if (t.i % 2 == 0)
                    line(out, t.i);
                else
                    out.text(t.bytes);
                return true;
            },
            lines_per_lot);
        return;
    }
#endif
    (void)values;
    for (int i = 0; i < count; ++i)
        line(out, i);
}

} // namespace pipeline
