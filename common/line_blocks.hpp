// Files cut into blocks of whole lines, each block converted on either core
// and handed over in file order.
//
// No number the programs read spans a line end (a line end is a blank, and a
// blank ends every conversion), so a run of "%lf" or "%d" reads over a block
// cut after a line end gives the values that the same reads over the whole
// file give there, and stops on the same malformed item: the values of a file
// are the values of its blocks, one after the other, up to the first block
// whose reads stopped on something other than the end of its text.
//
// Each file has `slots_per_file` slots, storage the caller owns: the one the
// caller holds and up to two converted ahead, so the memory in use does not
// grow with the files. convert(file, slot, text) fills the slot from the text
// of a block, on any thread: it must touch nothing but that slot. The calling
// thread converts blocks too while it waits. The reference build, a machine of
// one core, or a thread that can't be started convert each block on the
// calling thread when it is asked for.
#pragma once

#include "common/line_io.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

namespace pipeline {

// Bytes of a block, its last line completed: large enough for the hand-over
// to cost nothing, small enough for the blocks in flight to stay in the caches.
inline constexpr std::size_t block_bytes = 64 * 1024;

class LineBlocks {
public:
    static constexpr int slots_per_file = 3;
    using Convert = std::function<void(int file, int slot, std::string_view text)>;

    LineBlocks(std::span<Reader> files, Convert convert, std::size_t bytes = block_bytes);
    ~LineBlocks(); // stops the conversions and waits for them

    // The slot holding the next block of the file, once converted, the slot
    // given before for that file being taken back; -1 once the file has no
    // more. An exception thrown by convert is thrown here, for its block.
    int next(int file);

    struct State;

private:
    std::unique_ptr<State> s_;
};

} // namespace pipeline
