#include "chunked_matches.h"

#include <algorithm>

namespace quarnel::lzh {
namespace {

constexpr std::size_t DefaultWarmUp = 64 * 1024;
constexpr std::size_t SmallestChunk = 128 * 1024;
constexpr std::size_t LargestChunk = 1024 * 1024;
// How often a worker looks whether the encoding has stopped.
constexpr std::size_t StopCheckInterval = WindowSize;

std::size_t RoundUpToWindow(std::size_t n) {
    return std::max<std::size_t>(WindowSize, (n + WindowSize - 1) / WindowSize * WindowSize);
}

}  // namespace

ChunkPlan PlanChunks(std::size_t size, unsigned threads, const LzhEncodeOptions& options) {
    ChunkPlan plan;
    if (threads < 2 || size < options.chunkedFrom || size <= MaxMatch) return plan;
    plan.end = (size - MaxMatch - 1) / WindowSize * WindowSize;
    plan.warmUp = RoundUpToWindow(options.warmUp != 0 ? options.warmUp : DefaultWarmUp);
    // About four chunks per thread keep the threads busy to the end.
    plan.chunkSize = options.chunkSize != 0
                         ? RoundUpToWindow(options.chunkSize)
                         : std::clamp(RoundUpToWindow(plan.end / (4 * threads)), SmallestChunk, LargestChunk);
    plan.count = (plan.end + plan.chunkSize - 1) / plan.chunkSize;
    return plan;
}

ChunkedMatches::ChunkedMatches(std::span<const std::uint8_t> input, const ChunkPlan& plan, unsigned threads,
                               LzhEncodeStats& stats)
    : input_(input), plan_(plan), stats_(stats) {
    // One chunk more than threads: the workers go on while the driver reads one.
    slots_.resize(std::min<std::size_t>(threads + 1, plan_.count));
    try {
        for (std::size_t t = 0; t < std::min<std::size_t>(threads, plan_.count); ++t)
            workers_.emplace_back([this] { RunWorker(); });
        TakeChunk(0);
    } catch (...) {
        Stop();
        throw;
    }
    stats_.chunks = static_cast<std::uint32_t>(plan_.count);
    Current(matches_[0]);
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
        std::size_t index;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] {
                return stopping_ || (nextToFind_ < plan_.count && nextToFind_ < released_ + slots_.size());
            });
            if (stopping_) return;
            index = nextToFind_++;
        }
        Chunk& chunk = slots_[index % slots_.size()];
        try {
            FindChunk(index, chunk);
        } catch (const std::bad_alloc&) {
            // The driver walks the chunk again from the exact tree.
            chunk.walk.reset();
        }
        {
            std::lock_guard lock(mutex_);
            chunk.done = true;
        }
        changed_.notify_all();
    }
}

void ChunkedMatches::FindChunk(std::size_t index, Chunk& chunk) {
    const std::size_t start = index * plan_.chunkSize;
    const std::size_t end = std::min(start + plan_.chunkSize, plan_.end);
    chunk.checkpoints.clear();
    chunk.walk.reset();
    chunk.matches.resize(end - start);

    const std::size_t from = start > plan_.warmUp ? start - plan_.warmUp : 0;
    auto walk = std::make_unique<MatchWalk>(input_, from);
    if (start == 0) {
        chunk.matches[0] = walk->Match();
        Record(*walk, start, end, chunk.matches);
    } else {
        Record(*walk, start, start, chunk.matches);
        // A walk that began at the input's start is the exact one.
        if (from > 0) {
            for (const std::size_t at : {start, start + plan_.warmUp, start + 4 * plan_.warmUp}) {
                if (at >= end) break;
                Record(*walk, start, at, chunk.matches);
                chunk.checkpoints.emplace_back(at, std::make_unique<MatchTree>(walk->tree));
            }
        }
        Record(*walk, start, end, chunk.matches);
    }
    if (walk->position() + 1 == end) chunk.walk = std::move(walk);
}

void ChunkedMatches::Record(MatchWalk& walk, std::size_t start, std::size_t to,
                            std::vector<FoundMatch>& matches) const {
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
    if (chunk.walk == nullptr) {
        // The worker ran out of memory: walk the whole chunk here.
        chunk.matches.resize(end - start);
        if (start == 0) {
            exact_ = std::make_unique<MatchWalk>(input_, 0);
            chunk.matches[0] = exact_->Match();
        }
        Record(*exact_, start, end, chunk.matches);
        stats_.positionsWalkedAgain += end - start;
    } else if (chunk.checkpoints.empty()) {
        exact_ = std::move(chunk.walk);
    } else {
        ProveOrWalk(start, end, chunk);
    }
    chunk.checkpoints.clear();
    chunk.walk.reset();
    chunkIndex_ = index;
    chunkStart_ = start;
    chunkEnd_ = end;
    matches_ = chunk.matches.data();
}

// At the first checkpoint where the exact tree equals the worker's, the
// worker's matches from there on and its end tree are exact; before it, and
// everywhere when there is none, the exact tree's own walk gives the matches.
void ChunkedMatches::ProveOrWalk(std::size_t start, std::size_t end, Chunk& chunk) {
    for (const auto& [at, tree] : chunk.checkpoints) {
        Record(*exact_, start, at, chunk.matches);
        if (exact_->tree.SameState(*tree)) {
            ++stats_.provedSeams;
            stats_.positionsWalkedAgain += at - start;
            exact_ = std::move(chunk.walk);
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
    if (!live_ && position_ == chunkEnd_) {
        {
            std::lock_guard lock(mutex_);
            ++released_;
        }
        changed_.notify_all();
        if (position_ == plan_.end) {
            live_ = true;
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
