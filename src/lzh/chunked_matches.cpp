#include "chunked_matches.h"

#include <algorithm>
#include <limits>

namespace quarnel::lzh {
namespace {

constexpr std::size_t DefaultWarmUp = 64 * 1024;
constexpr std::size_t SmallestChunk = 128 * 1024;
constexpr std::size_t LargestChunk = 512 * 1024;
// How often a worker looks whether the encoding has stopped.
constexpr std::size_t StopCheckInterval = WindowSize;
// A stripe's snapshots: at its seam, a warm-up and four warm-ups on.
constexpr std::size_t CheckpointsPerStripe = 3;
// Stripes begun and not yet read to their last chunk: one a thread, and
// one more, so that a worker done with a short stripe near the end can go
// on while the driver reads.
std::size_t StripesInFlight(unsigned threads) { return threads + 1; }

std::size_t RoundUpToWindow(std::size_t n) {
    return std::max<std::size_t>(WindowSize, (n + WindowSize - 1) / WindowSize * WindowSize);
}

// Each thread may keep one walk and one stripe of matches. Every worker's
// walk and the driver's come first, then, for each stripe in flight, its
// tree at the end and its snapshots; the chunk buffers get the rest, two at
// least, as then the driver reads one while a worker fills the next.
std::size_t SlotCount(const ChunkPlan& plan, unsigned threads) {
    const std::size_t chunkBytes = plan.chunkSize * sizeof(FoundMatch);
    const std::size_t allowance = threads * (sizeof(MatchWalk) + LongestStripe * chunkBytes);
    const std::size_t states = (threads + 1) * sizeof(MatchWalk) +
                               StripesInFlight(threads) *
                                   (sizeof(MatchWalk) + CheckpointsPerStripe * sizeof(MatchTree::Snapshot));
    const std::size_t slots = allowance > states ? (allowance - states) / chunkBytes : 0;
    return std::min(std::max<std::size_t>(slots, 2), plan.count);
}

}  // namespace

ChunkPlan PlanChunks(std::size_t size, unsigned threads, const LzhEncodeOptions& options) {
    ChunkPlan plan;
    if (threads < 2 || size < options.chunkedFrom || size <= MaxMatch) return plan;
    plan.end = (size - MaxMatch - 1) / WindowSize * WindowSize;
    plan.warmUp = RoundUpToWindow(options.warmUp != 0 ? options.warmUp : DefaultWarmUp);
    // About eight chunks per thread: two stripes of four each.
    plan.chunkSize = options.chunkSize != 0
                         ? RoundUpToWindow(options.chunkSize)
                         : std::clamp(RoundUpToWindow(plan.end / (8 * threads)), SmallestChunk, LargestChunk);
    plan.count = (plan.end + plan.chunkSize - 1) / plan.chunkSize;
    return plan;
}

ChunkedMatches::ChunkedMatches(std::span<const std::uint8_t> input, const ChunkPlan& plan, unsigned threads,
                               LzhEncodeStats& stats)
    : input_(input), plan_(plan), threads_(threads), stats_(stats) {
    slots_.resize(SlotCount(plan_, threads));
    try {
        for (std::size_t t = 0; t < std::min<std::size_t>(threads, plan_.count); ++t)
            workers_.emplace_back([this] { RunWorker(); });
        TakeChunk(0);
    } catch (...) {
        Stop();
        throw;
    }
    stats_.chunks = static_cast<std::uint32_t>(plan_.count);
    Current(live_ ? exact_->Match() : matches_[0]);
}

ChunkedMatches::~ChunkedMatches() { Stop(); }

void ChunkedMatches::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
}

void ChunkedMatches::RunWorker() {
    for (;;) {
        std::size_t first;
        std::size_t last;
        std::size_t stripe;
        {
            std::lock_guard lock(mutex_);
            if (stopping_ || nextToFind_ == plan_.count) return;
            first = nextToFind_;
            last = first + StripeLength(plan_.count - first);
            nextToFind_ = last;
            stripe = stripesGiven_++;
        }
        FindStripe(first, last, stripe);
    }
}

std::size_t ChunkedMatches::StripeLength(std::size_t chunksLeft) const {
    return std::clamp<std::size_t>((chunksLeft + 2 * threads_ - 1) / (2 * threads_), 1, LongestStripe);
}

void ChunkedMatches::FindStripe(std::size_t first, std::size_t last, std::size_t stripe) {
    std::unique_ptr<MatchWalk> walk;  // carried from chunk to chunk
    for (std::size_t index = first; index < last; ++index) {
        // A fresh walk's warm-up needs no slot: it runs while the driver may
        // still be reading the chunk whose slot this one takes.
        const bool fresh = walk == nullptr;
        bool refused = false;
        if (fresh) {
            try {
                walk = WarmUp(index * plan_.chunkSize);
            } catch (const std::bad_alloc&) {
                refused = true;
            }
        }
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this, index, stripe] {
                return stopping_ ||
                       (index < released_ + slots_.size() && stripe < stripesTaken_ + StripesInFlight(threads_));
            });
            if (stopping_) return;
        }
        Chunk& chunk = slots_[index % slots_.size()];
        chunk.endsStripe = index + 1 == last;
        try {
            if (!refused) FindChunk(index, fresh, chunk, walk);
        } catch (const std::bad_alloc&) {
            refused = true;
        }
        if (refused) {
            // Only a fresh walk or a chunk's buffer is allocated, before a
            // walk that came on moves: the driver can take that one over.
            chunk.failed = true;
            chunk.walk = fresh ? nullptr : std::move(walk);
            walk.reset();
        }
        {
            std::lock_guard lock(mutex_);
            chunk.done = true;
        }
        changed_.notify_all();
    }
}

// A fresh tree a warm-up before `start`, walked to the position before it
// (at the input's start, to position 0).
std::unique_ptr<MatchWalk> ChunkedMatches::WarmUp(std::size_t start) const {
    auto walk = std::make_unique<MatchWalk>(input_, start > plan_.warmUp ? start - plan_.warmUp : 0);
    Record(*walk, start, start, {});  // keeps nothing: every position is before start
    return walk;
}

void ChunkedMatches::FindChunk(std::size_t index, bool fresh, Chunk& chunk, std::unique_ptr<MatchWalk>& walk) {
    const std::size_t start = index * plan_.chunkSize;
    const std::size_t end = std::min(start + plan_.chunkSize, plan_.end);
    chunk.checkpoints.clear();
    chunk.walk.reset();
    chunk.exact = false;
    chunk.failed = false;
    chunk.continues = !fresh;
    chunk.matches.resize(end - start);

    if (fresh) {
        // A walk that began at the input's start is the exact one.
        chunk.exact = start <= plan_.warmUp;
        if (start == 0) {
            chunk.matches[0] = walk->Match();
        } else if (!chunk.exact) {
            for (const std::size_t at : {start, start + plan_.warmUp, start + 4 * plan_.warmUp}) {
                if (at >= end) break;
                Record(*walk, start, at, chunk.matches);
                chunk.checkpoints.emplace_back(at, std::make_unique<MatchTree::Snapshot>(walk->tree));
            }
        }
    }
    Record(*walk, start, end, chunk.matches);
    if (walk->position() + 1 != end) {
        walk.reset();  // stopped
    } else if (chunk.endsStripe) {
        chunk.walk = std::move(walk);
    }
}

void ChunkedMatches::Record(MatchWalk& walk, std::size_t start, std::size_t to,
                            std::span<FoundMatch> matches) const {
    while (walk.position() + 1 < to) {
        if (walk.position() % StopCheckInterval == 0 && stopping_) return;
        walk.Advance();
        if (walk.position() >= start) matches[walk.position() - start] = walk.Match();
    }
}

// Waits for the chunk and makes its matches exact and current.
void ChunkedMatches::TakeChunk(std::size_t index) {
    Chunk& chunk = slots_[index % slots_.size()];
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&chunk] { return chunk.done; });
        chunk.done = false;
    }
    const std::size_t start = index * plan_.chunkSize;
    const std::size_t end = std::min(start + plan_.chunkSize, plan_.end);
    live_ = false;
    if (chunk.failed) {
        WalkFailedChunk(start, end, chunk);
    } else if (chunk.exact || (chunk.continues && workerWalkExact_)) {
        workerWalkExact_ = true;
    } else {
        // A chunk that comes on from one whose walk was not proved has no
        // checkpoint left: it is walked again.
        ProveOrWalk(start, end, chunk);
    }
    if (workerWalkExact_ && chunk.walk != nullptr) {
        exact_ = std::move(chunk.walk);
        workerWalkExact_ = false;
    }
    chunk.checkpoints.clear();
    chunk.walk.reset();
    if (chunk.endsStripe) {
        {
            std::lock_guard lock(mutex_);
            ++stripesTaken_;
        }
        changed_.notify_all();
    }
    chunkIndex_ = index;
    chunkStart_ = start;
    chunkEnd_ = end;
    matches_ = chunk.matches.data();
}

// The worker ran out of memory: the exact tree gives the chunk's matches
// as the driver reads them (its walk before the chunk, when that was exact).
void ChunkedMatches::WalkFailedChunk(std::size_t start, std::size_t end, Chunk& chunk) {
    if (workerWalkExact_) {
        exact_ = std::move(chunk.walk);
        workerWalkExact_ = false;
    }
    if (start == 0) exact_ = std::make_unique<MatchWalk>(input_, 0);
    live_ = true;
    stats_.positionsWalkedAgain += end - start;
}

// At the first checkpoint where the exact tree equals the worker's, the
// worker's matches from there on and its walk are exact; before it, and
// everywhere when there is none, the exact tree's own walk gives the matches.
void ChunkedMatches::ProveOrWalk(std::size_t start, std::size_t end, Chunk& chunk) {
    for (const auto& [at, tree] : chunk.checkpoints) {
        Record(*exact_, start, at, chunk.matches);
        if (exact_->tree.SameState(*tree)) {
            ++stats_.provedSeams;
            stats_.positionsWalkedAgain += at - start;
            workerWalkExact_ = true;
            return;
        }
        ++stats_.fallbacks;
    }
    Record(*exact_, start, end, chunk.matches);
    stats_.positionsWalkedAgain += end - start;
}

void ChunkedMatches::SkipAcrossChunks(std::size_t count) {
    for (; count > 0; --count) Advance();
}

void ChunkedMatches::Advance() {
    ++position_;
    if (position_ == chunkEnd_) {
        {
            std::lock_guard lock(mutex_);
            ++released_;
        }
        changed_.notify_all();
        if (position_ == plan_.end) {
            live_ = true;
            chunkEnd_ = std::numeric_limits<std::size_t>::max();
        } else {
            TakeChunk(chunkIndex_ + 1);
        }
    }
    if (live_) {
        exact_->Advance();
        Current(exact_->Match());
    } else {
        Current(matches_[position_ - chunkStart_]);
    }
}

void ChunkedMatches::ClampTo(std::int64_t remaining) {
    length_ = static_cast<int>(remaining);
    if (live_) exact_->tree.matchLen = length_;
}

}  // namespace quarnel::lzh
