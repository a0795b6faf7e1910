// The match finder: a text buffer that slides over the input, and a
// path-compressed trie (a suffix tree cut at 256 bytes) of the strings that
// start at the last 8192 positions. Inserting a position finds the longest
// earlier string that matches it, up to 256 bytes, with no probe limit.
//
// The children of a root are found in a table by their two bytes; those of
// a branch node in hashed sibling chains.
//
// Node numbers: 0 none; 1 to 8191 branch nodes (a free list); 8192 + b the
// root of the strings that start with byte b; 8192 + (p mod 8192) the leaf of
// text position p. Roots and the first 256 leaves share numbers, but a root
// only uses nodeDepth, children and nodePosition, and a leaf only
// parentNode, prevLink and nextLink.
//
// Positions are held as 8192 + (p mod 8192); one that is not below `pos`
// stands for the position 8192 lower, in the older half of the text.
#pragma once

#include <array>
#include <cstdint>

#include "lzh.h"

namespace quarnel::lzh {

// Two windows and a longest match of look-ahead: the text slides down by
// 8192 bytes each time `pos` reaches 16384.
inline constexpr int TextSize = static_cast<int>(TextBufferSize);

class MatchTree {
public:
    MatchTree();

    // The string at `pos` needs `pos` + 256 bytes of text; bytes beyond the
    // input read keep what they held (zero at first). Seven bytes beyond
    // the end let an edge be compared eight bytes at a time.
    std::array<std::uint8_t, TextSize + 7> text{};
    int pos = WindowSize;  // 8192 to 16383
    // Length of the match found for the position inserted last (1: none),
    // and the text position of that match.
    int matchLen = 0;
    int matchPos = 0;

    // Finds the longest match for the string at `pos` and adds `pos` as a
    // leaf. A previous match of 4 bytes or more (matchLen on entry) lets the
    // search start next to it instead of at a root.
    void InsertPosition();
    // Removes the leaf numbered `pos`, which holds the position 8192 bytes
    // back, and a branch node left with one child.
    void DeletePosition() {
        const int r = parentNode_[pos];
        // Whether a leaf's parent is left with one child decides a jump that
        // is hard to predict, and the parent's count is seldom in the first
        // level cache: it is fetched three leaves ahead, so that the jump
        // resolves early.
        __builtin_prefetch(&children_[parentNode_[LeafBase + ((pos + 3) & (WindowSize - 1))]]);
        if (r == 0) return;
        parentNode_[pos] = 0;
        // The leaf leaves the root table or its sibling chain; the addresses
        // are chosen rather than branched to, as either case is common.
        // prevLink[0] takes the root case's second write.
        const int underRoot = r >= RootBase;
        const int prev = prevLink_[pos];
        const int next = nextLink_[pos] & (underRoot - 1);
        std::uint16_t* const slotOf[2] = {nextLink_.data(), rootChild_.data()};
        slotOf[underRoot][prev] = static_cast<std::uint16_t>(next);
        prevLink_[next] = static_cast<std::uint16_t>(prev);
        const std::uint32_t children = (children_[r] - OneChild) ^ static_cast<std::uint32_t>(pos);
        children_[r] = children;
        if (children >= 2 * OneChild) return;
        RemoveBranch(r);
    }

    struct Snapshot;  // a tree kept for comparison, below

    // Whether this tree will find the same matches as the one the snapshot
    // was taken of, from here on, for every input that follows: the same
    // text, position and last match, the same leaves in the tree and the
    // same replacements of the others, and branch nodes that correspond one
    // to one (their numbers may differ) with the same depths, positions and
    // marks, children and child bytes.
    bool SameState(const Snapshot& other) const;

    // The sibling chain that holds the child of branch node q for byte c.
    // A lookup takes the first node in the chain whose parent is q, without
    // checking its byte: that is only right because the children of one node
    // never share a chain, which any other hash must keep too.
    static int Bucket(int q, int c) {
        const std::uint32_t key = (static_cast<std::uint32_t>(q) << 8) | static_cast<std::uint32_t>(c);
        return BucketBase + static_cast<int>((key * 0x9E3779B1u) >> (32 - BucketBits));
    }

private:
    static constexpr int RootBase = WindowSize;
    static constexpr int LeafBase = WindowSize;
    static constexpr int NodeSlots = WindowSize + 256;  // branch nodes and roots
    // The child of node q for byte c is unique, so how the children are found
    // cannot change which node is found: a multiplicative hash of (q, c) into
    // 32768 buckets keeps the chains short. Links name a node (below 16384)
    // or a bucket (16384 and above), which no longer fits a signed 16-bit value.
    static constexpr int BucketBits = 15;
    static constexpr int BucketBase = 2 * WindowSize;
    static constexpr int LinkSlots = BucketBase + (1 << BucketBits);
    // Bit 15 of a nodePosition entry: written by a deferred update; the nodes
    // above may still hold older positions.
    static constexpr std::uint16_t Mark = 0x8000;

    // All ones for a marked position, zero otherwise: a mask to choose by.
    static int IfMarked(std::uint16_t stored) { return -(stored >> 15); }
    // The text position of a leaf: the leaf numbered pos was inserted last;
    // any other at or above pos lies in the older half.
    int LeafPosition(int leaf) const { return leaf > pos ? leaf - WindowSize : leaf; }
    // A stored position as a text position below `pos`.
    int Unfold(int stored) const { return stored >= pos ? stored - WindowSize : stored; }
    static std::uint16_t Fold(int position) { return static_cast<std::uint16_t>(LeafBase + (position & (WindowSize - 1))); }

    void InitMatchTree();
    int FindChild(int q, int c);
    static int RootKey(int root, int c) { return (root - RootBase) << 8 | c; }
    void AddRootChild(int root, int c, int r) {
        const int key = RootKey(root, c);
        rootChild_[key] = static_cast<std::uint16_t>(r);
        prevLink_[r] = static_cast<std::uint16_t>(key);
        parentNode_[r] = static_cast<std::uint16_t>(root);
        children_[root] += OneChild;
    }
    int ChildOf(int q, int c) const;  // FindChild without its sentinel
    bool ChildrenFound() const;
    bool SameBranches(const Snapshot& other) const;
    void AddChild(int q, int c, int r);
    void SplitEdge(int old);
    void Unlink(int node) {
        const int prev = prevLink_[node];
        const int next = nextLink_[node];
        nextLink_[prev] = static_cast<std::uint16_t>(next);
        prevLink_[next] = static_cast<std::uint16_t>(prev);
    }
    void RemoveBranch(int r);
    void TakePlace(int node, int old, int parent);
    void ApplyDeferredUpdate(int q);
    void ReplaceLeaf(int q, int r);

    std::array<std::uint8_t, NodeSlots> nodeDepth_{};
    // A node's number of children (from bit 16 on) and, in the low 16 bits,
    // their node numbers XORed together: the last child left of a branch
    // node is known without a lookup. Kept up to date for branch nodes; a
    // root's count starts at two, so that it never falls below.
    static constexpr std::uint32_t OneChild = 0x10000;
    std::array<std::uint32_t, NodeSlots> children_{};
    std::array<std::uint16_t, NodeSlots> nodePosition_{};  // a position, plus the mark bit
    std::array<std::uint16_t, 2 * WindowSize> parentNode_{};  // 0: not in the tree
    // The node before, or the bucket; for a child of a root, its key in rootChild_.
    std::array<std::uint16_t, 2 * WindowSize> prevLink_{};
    // The child of each root for each next byte (0: none).
    std::array<std::uint16_t, 256 * 256> rootChild_{};
    // Below 16384: the next node of a sibling chain (0 ends it), the next
    // free branch node, or the leaf that replaced a leaf; from 16384 on: the
    // bucket heads.
    std::array<std::uint16_t, LinkSlots> nextLink_{};
    int freeNode_ = 1;

public:
    // What decides the matches a tree will find, kept at a seam of the
    // chunked match finding without the structures that only find children
    // (about a third of a tree): the text, position and last match, the
    // parents, depths, positions, marks and child counts of the nodes, and
    // the replacements of the leaves. Whether every child is found under
    // the byte its text gives it is checked when the snapshot is taken.
    struct Snapshot {
        explicit Snapshot(const MatchTree& tree);

        decltype(MatchTree::text) text;
        int pos;
        int matchLen;
        int matchPos;
        bool childrenFound;
        std::array<std::uint8_t, NodeSlots> nodeDepth;
        std::array<std::uint16_t, NodeSlots> childCount;
        std::array<std::uint16_t, NodeSlots> nodePosition;
        std::array<std::uint16_t, 2 * WindowSize> parentNode;
        std::array<std::uint16_t, WindowSize> replacement;  // of each leaf not in the tree
    };
};

}  // namespace quarnel::lzh
