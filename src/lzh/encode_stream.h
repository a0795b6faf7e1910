// The encoder's driver: reads the input into the sliding text, inserts every
// position into the match tree and chooses between a literal and a match
// with a one-position lazy rule: a match found at one position is sent only
// if the next position's match is not longer (on equal length the earlier
// one goes). Every input byte is covered by exactly one item.
//
// The items go to an ItemSink: the block output, or a recorder in tests.
//   void PutItem(int symbol, int d);  bool unpackable() const;  void FinishBlockOutput();
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include "chunked_matches.h"
#include "match_tree.h"

namespace quarnel::lzh {

template <class ItemSink>
class StreamEncoder {
public:
    // unpackedSize counts the input bytes read; the sink's output limit reads it.
    StreamEncoder(MatchTree& tree, std::span<const std::uint8_t> source, std::uint32_t& unpackedSize, ItemSink& sink)
        : tree_(tree), inputPtr_(source.data()), inputLeft_(source.size()), unpackedSize_(unpackedSize), sink_(sink) {}

    void EncodeStream() {
        MatchTree& t = tree_;
        remaining_ = static_cast<std::int32_t>(ReadInput(&t.text[WindowSize], WindowSize + MaxMatch));
        t.matchLen = 0;
        t.pos = WindowSize;
        t.InsertPosition();
        ClampMatchLength();
        while (remaining_ > 0 && !sink_.unpackable()) {
            const int lastLen = t.matchLen;
            const int lastPos = t.matchPos;
            AdvancePosition();
            ClampMatchLength();
            if (t.matchLen > lastLen || lastLen < MinMatch) {
                sink_.PutItem(t.text[t.pos - 1], 0);
            } else {
                // The AND folds a slide that happened in between.
                sink_.PutItem(lastLen + 256 - MinMatch, (t.pos - lastPos - 2) & (WindowSize - 1));
                // These advances leave matchLen as found, so that the next
                // insertion's shortcut sees the full previous match.
                for (int k = lastLen - 1; k > 0; --k) AdvancePosition();
                ClampMatchLength();
            }
        }
        sink_.FinishBlockOutput();
    }

private:
    std::uint32_t ReadInput(std::uint8_t* to, std::uint32_t count) {
        const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(count, inputLeft_));
        if (n != 0) std::memcpy(to, inputPtr_, n);
        inputPtr_ += n;
        inputLeft_ -= n;
        unpackedSize_ += n;
        return n;
    }

    // The text slides after every 8192 advances, also when the input is used
    // up; the bytes above what was read keep their old contents.
    void AdvancePosition() {
        MatchTree& t = tree_;
        --remaining_;
        if (++t.pos == 2 * WindowSize) {
            std::memmove(&t.text[0], &t.text[WindowSize], WindowSize + MaxMatch);
            remaining_ += static_cast<std::int32_t>(ReadInput(&t.text[WindowSize + MaxMatch], WindowSize));
            t.pos = WindowSize;
        }
        t.DeletePosition();
        t.InsertPosition();
    }

    // A match never runs past the end of the input.
    void ClampMatchLength() {
        if (tree_.matchLen > remaining_) tree_.matchLen = remaining_;
    }

    MatchTree& tree_;
    const std::uint8_t* inputPtr_;
    std::size_t inputLeft_;
    std::uint32_t& unpackedSize_;
    ItemSink& sink_;
    std::int32_t remaining_ = 0;  // valid look-ahead bytes from pos on
};

// The same parse over matches found in chunks. The stream encoder's reads
// are kept as counts: unpackedSize grows at the same positions, by 8448
// bytes at the start and 8192 at every slide, so the output limit falls
// where it falls in one pass. The positions inside a match are skipped
// without being read.
template <class ItemSink>
void EncodeFromMatches(ChunkedMatches& matches, std::span<const std::uint8_t> source, std::uint32_t& unpackedSize,
                       ItemSink& sink) {
    const std::size_t size = source.size();
    std::size_t position = 0;  // of the current match
    auto remaining = static_cast<std::int64_t>(size);
    const auto skip = [&](std::size_t count) {
        position += count;
        remaining -= static_cast<std::int64_t>(count);
        unpackedSize = static_cast<std::uint32_t>(
            std::min<std::size_t>(size, (position & ~std::size_t{WindowSize - 1}) + WindowSize + MaxMatch));
        matches.Skip(count);
        matches.Clamp(remaining);
    };
    unpackedSize = static_cast<std::uint32_t>(std::min<std::size_t>(size, WindowSize + MaxMatch));
    matches.Clamp(remaining);
    while (remaining > 0 && !sink.unpackable()) {
        const int lastLen = matches.length();
        const int lastD = matches.d();
        skip(1);
        if (matches.length() > lastLen || lastLen < MinMatch) {
            sink.PutItem(source[position - 1], 0);
        } else {
            sink.PutItem(lastLen + 256 - MinMatch, lastD);
            skip(static_cast<std::size_t>(lastLen - 1));
        }
    }
    sink.FinishBlockOutput();
}

}  // namespace quarnel::lzh
