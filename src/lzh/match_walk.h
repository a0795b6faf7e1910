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

// A match found for one position, in three bytes: the chunks of a long input
// keep one per position.
struct FoundMatch {
    std::uint8_t lengthLess1;  // 1 to 256 bytes
    std::uint8_t dHigh;        // d, distance - 1
    std::uint8_t dLow;

    int length() const { return lengthLess1 + 1; }
    int d() const { return dHigh << 8 | dLow; }
};
static_assert(sizeof(FoundMatch) == 3);

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

    // The match of the position inserted last. Its d only has a meaning for
    // a length of 3 or more.
    FoundMatch Match() const {
        const auto d = static_cast<unsigned>(tree.pos - tree.matchPos - 1) & (WindowSize - 1);
        return {static_cast<std::uint8_t>(tree.matchLen - 1), static_cast<std::uint8_t>(d >> 8),
                static_cast<std::uint8_t>(d)};
    }

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
