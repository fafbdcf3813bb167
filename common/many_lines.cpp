#include "common/many_lines.hpp"

#include "common/read_ahead.hpp"

#include <string>

namespace pipeline {

void write_lines(Writer& out, int count, long long values, const std::function<void(Writer&, int)>& line)
{
    // Below this, starting a thread costs more than it saves. (The reference
    // build starts none: the odd lines are formatted as they are asked for.)
    constexpr long long in_parallel = 1 << 16;
    if (values >= in_parallel && count > 1) {
        // The odd lines, formatted into memory on the second core, two to a
        // lot: the text formatted ahead stays small.
        int odd = 1;
        auto format = [&](std::string& text) {
            if (odd >= count)
                return false;
            Writer memory = Writer::in_memory();
            line(memory, odd);
            text = memory.memory_text();
            odd += 2;
            return true;
        };
        RecordsAhead<std::string, decltype(format)&> odd_lines(format, 2);
        for (int i = 0; i < count; i += 2) {
            line(out, i);
            if (const std::string* text = odd_lines.next())
                out.text(*text);
        }
        return;
    }
    for (int i = 0; i < count; ++i)
        line(out, i);
}

} // namespace pipeline
