// Matches of one long input found in chunks on worker threads, handed to the
// driver position by position in input order, exactly as one pass would
// find them.
//
// Memory: the chunked path adds at most a walk and a stripe of matches
// (three bytes a position) per thread. The stripes begun and not yet read
// are limited to one a thread and one more, and the chunk buffers are fewer
// by what their end trees and snapshots take.
//
// Chunks start at multiples of 8192. A worker takes a stripe of a few chunks
// in a row and walks it as one: it starts a fresh tree a warm-up before the
// stripe and walks to the stripe's start; a snapshot of the tree it holds
// there, at the seam, is kept, and so are snapshots a warm-up and four
// warm-ups further on when that is still in the stripe's first chunk.
// Before a stripe's matches are used, its seam snapshot is compared with
// the exact tree, the one the previous stripe ended with (the first stripe
// starts at the input's start; every later end state is exact by
// induction). When they agree in everything that can reach the output
// (MatchTree::SameState), the worker's matches from there on and its tree at
// the stripe's end are exact too. When they don't, the driver walks on from
// the exact tree and compares again at the later checkpoints, where the
// trees have often become equal; past the last one it walks the rest of the
// stripe itself.
//
// The matches end at the last multiple of 8192 from which at least 257 input
// bytes follow: there the clamp to the input's end starts to matter, and it
// depends on the parse. From there on the exact tree is walked live.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "lzh.h"
#include "match_walk.h"

namespace quarnel::lzh {

// A stripe needs one warm-up however long it is; shorter stripes towards
// the end keep the threads busy to the last.
inline constexpr std::size_t LongestStripe = 4;

struct ChunkPlan {
    std::size_t chunkSize = 0;  // multiples of 8192; a stripe has 1 to LongestStripe chunks
    std::size_t warmUp = 0;
    std::size_t end = 0;  // the first position walked live
    std::size_t count = 0;
};

// The plan for an input of `size` bytes; count < 2 means one pass is better.
ChunkPlan PlanChunks(std::size_t size, unsigned threads, const LzhEncodeOptions& options);

class ChunkedMatches {
public:
    // Starts the workers (std::system_error if a thread can't be made) and
    // waits for the first chunk: the match of position 0 is then current.
    ChunkedMatches(std::span<const std::uint8_t> input, const ChunkPlan& plan, unsigned threads, LzhEncodeStats& stats);
    ~ChunkedMatches();
    ChunkedMatches(const ChunkedMatches&) = delete;
    ChunkedMatches& operator=(const ChunkedMatches&) = delete;

    // Moves `count` positions on (1 or more) to that position's match. Inside
    // a chunk the positions skipped are not read at all.
    void Skip(std::size_t count) {
        if (!live_ && position_ + count < chunkEnd_) [[likely]] {
            position_ += count;
            Current(matches_[position_ - chunkStart_]);
        } else {
            SkipAcrossChunks(count);
        }
    }
    int length() const { return length_; }
    int d() const { return d_; }
    // The clamp to the input's end; only the live walk can feel it.
    void Clamp(std::int64_t remaining) {
        if (length_ > remaining) [[unlikely]] ClampTo(remaining);
    }

private:
    struct Chunk {
        std::vector<FoundMatch> matches;  // of every position of the chunk
        // Snapshots of the worker's tree at the checkpoints in this chunk, in order.
        std::vector<std::pair<std::size_t, std::unique_ptr<MatchTree::Snapshot>>> checkpoints;
        // The worker's tree after the chunk, kept at the end of its stripe;
        // after a failed chunk, the tree before it, when the stripe went on.
        std::unique_ptr<MatchWalk> walk;
        bool exact = false;       // the stripe's walk began at the input's start
        bool continues = false;   // the walk came on from the chunk before
        bool failed = false;      // the worker ran out of memory: the driver walks the chunk
        bool endsStripe = false;  // its walk is kept in `walk` for the driver
        bool done = false;
    };

    void RunWorker();
    std::size_t StripeLength(std::size_t chunksLeft) const;
    void FindStripe(std::size_t first, std::size_t last, std::size_t stripe);
    std::unique_ptr<MatchWalk> WarmUp(std::size_t start) const;
    void FindChunk(std::size_t index, bool fresh, Chunk& chunk, std::unique_ptr<MatchWalk>& walk);
    void TakeChunk(std::size_t index);
    // Walks on to `to`, keeping the matches of a chunk that starts at `start`.
    void Record(MatchWalk& walk, std::size_t start, std::size_t to, std::span<FoundMatch> matches) const;
    void WalkFailedChunk(std::size_t start, std::size_t end, Chunk& chunk);
    void ProveOrWalk(std::size_t start, std::size_t end, Chunk& chunk);
    void SkipAcrossChunks(std::size_t count);
    void Advance();
    void ClampTo(std::int64_t remaining);
    void Current(FoundMatch match) {
        length_ = match.length();
        d_ = match.d();
    }
    void Stop();

    std::span<const std::uint8_t> input_;
    ChunkPlan plan_;
    unsigned threads_;
    LzhEncodeStats& stats_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Chunk> slots_;  // chunk k uses slot k mod slots_.size()
    std::size_t nextToFind_ = 0;
    std::size_t released_ = 0;  // chunks whose slot is free again
    std::size_t stripesGiven_ = 0;
    std::size_t stripesTaken_ = 0;  // by the driver, to their last chunk
    std::atomic<bool> stopping_ = false;
    std::vector<std::thread> workers_;

    // The driver's side.
    std::size_t chunkIndex_ = 0;
    std::size_t position_ = 0;
    std::size_t chunkStart_ = 0;
    std::size_t chunkEnd_ = 0;
    const FoundMatch* matches_ = nullptr;
    std::unique_ptr<MatchWalk> exact_;  // the exact tree after the current chunk
    // The worker's walk of the current stripe is exact, and exact_ is stale
    // until the stripe's last chunk hands that walk over.
    bool workerWalkExact_ = false;
    bool live_ = false;  // the matches come from exact_ as it walks: after plan_.end, and in a failed chunk
    int length_ = 0;
    int d_ = 0;
};

}  // namespace quarnel::lzh
