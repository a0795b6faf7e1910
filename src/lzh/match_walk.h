// The match tree walked over an input from a position that is a multiple of
// 8192, as an encoder that had begun there would walk it: the text slides
// at the same positions, so stored positions, leaf numbers and text bytes
// are those of an encoder that began at the input's start. Used by the
// chunked match finding; the driver of one pass keeps its own reading.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include "match_tree.h"

namespace quarnel::lzh {

class MatchWalk {
public:
    // Inserts the position `start` into a fresh tree.
    MatchWalk(std::span<const std::uint8_t> input, std::size_t start) : input_(input), readFrom_(start), position_(start) {
        Read(&tree.text[WindowSize], WindowSize + MaxMatch);
        tree.matchLen = 0;
        tree.pos = WindowSize;
        tree.InsertPosition();
    }

    // Inserts the next position, without the clamp to the input's end: the
    // caller clamps tree.matchLen where the end is near.
    void Advance() {
        ++position_;
        if (++tree.pos == 2 * WindowSize) {
            std::memmove(&tree.text[0], &tree.text[WindowSize], WindowSize + MaxMatch);
            Read(&tree.text[WindowSize + MaxMatch], WindowSize);
            tree.pos = WindowSize;
        }
        tree.DeletePosition();
        tree.InsertPosition();
    }

    // The position inserted last.
    std::size_t position() const { return position_; }

    // The match of the position inserted last: its length (1 to 256) in
    // bits 0 to 8 and, from bit 9 on, its d (distance - 1), which only a
    // length of 3 or more gives meaning.
    std::uint32_t Match() const {
        const auto d = static_cast<std::uint32_t>(tree.pos - tree.matchPos - 1) & (WindowSize - 1);
        return static_cast<std::uint32_t>(tree.matchLen) | d << MatchLengthBits;
    }
    static constexpr int MatchLengthBits = 9;

    MatchTree tree;

private:
    void Read(std::uint8_t* to, std::size_t count) {
        const std::size_t n = std::min(count, input_.size() - std::min(readFrom_, input_.size()));
        if (n != 0) std::memcpy(to, input_.data() + readFrom_, n);
        readFrom_ += n;
    }

    std::span<const std::uint8_t> input_;
    std::size_t readFrom_;
    std::size_t position_;
};

}  // namespace quarnel::lzh
