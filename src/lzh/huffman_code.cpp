#include "huffman_code.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace quarnel::lzh {
namespace {

// One code under construction: a min-heap on counts from index 1, and the
// symbols in the order they leave it (the rarest first). A heap entry holds
// its node's count above the node number, so that a compare reads no table;
// compares look at the counts alone, so that ties go as on the counts.
class CodeBuilder {
public:
    CodeBuilder(int n, std::span<std::uint16_t> freq, LzhCodecState& codec) : n_(n), freq_(freq), codec_(codec) {}

    // Enters every symbol that occurs; heap[1] stays 0 when none does.
    int FillHeap() {
        heap_[1] = 0;
        for (int symbol = 0; symbol < n_; ++symbol)
            if (freq_[symbol] != 0) heap_[++size_] = Entry(symbol, freq_[symbol]);
        return size_;
    }

    int OnlySymbol() const { return NodeOf(heap_[1]); }

    // Merges the two rarest entries until one is left; returns the root.
    int MergeNodes() {
        for (int p = size_ / 2; p >= 1; --p) SiftDown(p);
        int node = n_;
        int root = node;
        while (size_ > 1) {
            const std::uint32_t first = heap_[1];
            const int i = NodeOf(first);
            if (i < n_) extracted_[extractedCount_++] = static_cast<std::int16_t>(i);
            heap_[1] = heap_[size_--];
            SiftDown(1);
            const std::uint32_t second = heap_[1];
            const int j = NodeOf(second);
            if (j < n_) extracted_[extractedCount_++] = static_cast<std::int16_t>(j);
            root = node++;
            freq_[root] = static_cast<std::uint16_t>((first >> 16) + (second >> 16));
            heap_[1] = Entry(root, freq_[root]);
            SiftDown(1);
            codec_.treeZero[root] = static_cast<std::uint16_t>(i);
            codec_.treeOne[root] = static_cast<std::uint16_t>(j);
        }
        return root;
    }

    // Counts the symbols per depth, deeper than 16 counted at 16, then moves
    // codes down until the lengths fill the code space exactly.
    void LimitLengths(int root) {
        CountDepths(root);
        std::uint32_t sum = 0;
        for (int len = 1; len <= MaxCodeLength; ++len) sum += std::uint32_t{lengthCount_[len]} << (MaxCodeLength - len);
        while (sum != 1u << MaxCodeLength) {
            --lengthCount_[MaxCodeLength];
            for (int len = MaxCodeLength - 1; len >= 1; --len) {
                if (lengthCount_[len] != 0) {
                    --lengthCount_[len];
                    lengthCount_[len + 1] = static_cast<std::uint16_t>(lengthCount_[len + 1] + 2);
                    break;
                }
            }
            --sum;
        }
    }

    // The rarest symbols get the longest lengths.
    void HandOutLengths(std::span<std::uint8_t> lengths) const {
        int next = 0;
        for (int len = MaxCodeLength; len >= 1; --len)
            for (int k = lengthCount_[len]; k > 0; --k) lengths[extracted_[next++]] = static_cast<std::uint8_t>(len);
    }

    void AssignCodes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes) const {
        std::array<std::uint16_t, MaxCodeLength + 2> start{};
        for (int len = 1; len <= MaxCodeLength; ++len)
            start[len + 1] = static_cast<std::uint16_t>((start[len] + lengthCount_[len]) * 2);
        for (int symbol = 0; symbol < n_; ++symbol)
            if (lengths[symbol] != 0) codes[symbol] = start[lengths[symbol]]++;
    }

private:
    static std::uint32_t Entry(int node, std::uint16_t count) {
        return std::uint32_t{count} << 16 | static_cast<std::uint32_t>(node);
    }
    static int NodeOf(std::uint32_t entry) { return static_cast<int>(entry & 0xFFFF); }
    // Whether a's count is at most b's, whatever their node numbers.
    static bool CountAtMost(std::uint32_t a, std::uint32_t b) { return a <= (b | 0xFFFF); }

    // Equal counts stop the sift, and of two equal children the left one
    // wins. The entry past the end holds the largest count, so that a left
    // child without a right one is taken without a check.
    void SiftDown(int p) {
        const std::uint32_t entry = heap_[p];
        heap_[size_ + 1] = ~std::uint32_t{0};
        while (2 * p <= size_) {
            int c = 2 * p;
            c += static_cast<int>(!CountAtMost(heap_[c], heap_[c + 1]));
            if (CountAtMost(entry, heap_[c])) break;
            heap_[p] = heap_[c];
            p = c;
        }
        heap_[p] = entry;
    }

    // Inner nodes are numbered above their children, so one pass from the
    // root downward gives every node its depth.
    void CountDepths(int root) {
        std::array<std::uint16_t, TreeNodeCount> depth;
        depth[root] = 0;
        for (int node = root; node >= n_; --node) {
            for (const int child : {codec_.treeZero[node], codec_.treeOne[node]}) {
                const int childDepth = depth[node] + 1;
                if (child >= n_)
                    depth[child] = static_cast<std::uint16_t>(childDepth);
                else
                    ++lengthCount_[std::min(childDepth, MaxCodeLength)];
            }
        }
    }

    const int n_;
    std::span<std::uint16_t> freq_;
    LzhCodecState& codec_;
    std::array<std::uint32_t, LitLenSymbols + 2> heap_{};
    int size_ = 0;
    std::array<std::int16_t, LitLenSymbols> extracted_{};
    int extractedCount_ = 0;
    std::array<std::uint16_t, MaxCodeLength + 1> lengthCount_{};
};

}  // namespace

int BuildCode(int n, std::span<std::uint16_t> freq, std::span<std::uint8_t> lengths, std::span<std::uint16_t> codes,
              LzhCodecState& codec) {
    assert(freq.size() >= static_cast<std::size_t>(2 * n - 1) && lengths.size() >= static_cast<std::size_t>(n));
    std::fill_n(lengths.begin(), n, std::uint8_t{0});
    CodeBuilder builder(n, freq, codec);
    if (builder.FillHeap() < 2) {
        codes[builder.OnlySymbol()] = 0;
        return builder.OnlySymbol();
    }
    const int root = builder.MergeNodes();
    builder.LimitLengths(root);
    builder.HandOutLengths(lengths);
    builder.AssignCodes(lengths, codes);
    return root;
}

}  // namespace quarnel::lzh
