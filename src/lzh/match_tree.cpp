#include "match_tree.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quarnel::lzh {

MatchTree::MatchTree() { InitMatchTree(); }

// Roots stand for one byte and hold no position; every branch node is free.
void MatchTree::InitMatchTree() {
    for (int b = 0; b < 256; ++b) {
        nodeDepth_[RootBase + b] = 1;
        nodePosition_[RootBase + b] = 0;
        children_[RootBase + b] = 2 * OneChild;
    }
    std::fill(parentNode_.begin() + LeafBase, parentNode_.end(), std::uint16_t{0});
    freeNode_ = 1;
    for (int i = 1; i < WindowSize - 1; ++i) nextLink_[i] = static_cast<std::uint16_t>(i + 1);
    nextLink_[WindowSize - 1] = 0;
    std::fill(nextLink_.begin() + BucketBase, nextLink_.end(), std::uint16_t{0});
    rootChild_.fill(0);
}

// The children of q are spread over hashed buckets whose chains may hold
// nodes of other parents too; parentNode[0] = q stops the walk at a chain's end.
int MatchTree::FindChild(int q, int c) {
    parentNode_[0] = static_cast<std::uint16_t>(q);
    int r = nextLink_[Bucket(q, c)];
    while (parentNode_[r] != q) r = nextLink_[r];
    return r;
}

void MatchTree::AddChild(int q, int c, int r) {
    const int h = Bucket(q, c);
    const int head = nextLink_[h];
    nextLink_[r] = static_cast<std::uint16_t>(head);
    prevLink_[head] = static_cast<std::uint16_t>(r);
    nextLink_[h] = static_cast<std::uint16_t>(r);
    prevLink_[r] = static_cast<std::uint16_t>(h);
    parentNode_[r] = static_cast<std::uint16_t>(q);
    children_[q] = (children_[q] + OneChild) ^ static_cast<std::uint32_t>(r);
}

// `node` takes old's place in old's sibling chain, under old's parent; old
// is left unlinked.
void MatchTree::TakePlace(int node, int old, int parent) {
    parentNode_[node] = static_cast<std::uint16_t>(parent);
    children_[parent] ^= static_cast<std::uint32_t>(node ^ old);
    if (parent >= RootBase) {
        const int key = prevLink_[old];
        prevLink_[node] = static_cast<std::uint16_t>(key);
        rootChild_[key] = static_cast<std::uint16_t>(node);
        return;
    }
    const int prev = prevLink_[old];
    const int next = nextLink_[old];
    prevLink_[node] = static_cast<std::uint16_t>(prev);
    nextLink_[node] = static_cast<std::uint16_t>(next);
    nextLink_[prev] = static_cast<std::uint16_t>(node);
    prevLink_[next] = static_cast<std::uint16_t>(node);
}

// The string at `pos` leaves old's edge after matchLen bytes: a new branch
// node at that depth takes old's place and gets old and the leaf `pos`.
[[gnu::always_inline]] inline void MatchTree::SplitEdge(int old) {
    const int n = freeNode_;
    freeNode_ = nextLink_[n];
    children_[n] = 0;
    TakePlace(n, old, parentNode_[old]);
    nodeDepth_[n] = static_cast<std::uint8_t>(matchLen);
    nodePosition_[n] = static_cast<std::uint16_t>(pos);
    AddChild(n, text[matchPos + matchLen], old);
    AddChild(n, text[pos + matchLen], pos);
}

// The shortcut skips the nodes above q: the marked ones among them get `pos`
// now, and the first unmarked branch node gets it marked, so that the nodes
// above that one are brought up to date only when it is met again.
void MatchTree::ApplyDeferredUpdate(int q) {
    // Whether q is marked is hard to predict, and a second marked node above
    // it is rare: the first step is chosen by masks rather than branched to.
    const std::uint16_t first = nodePosition_[q];
    const int step = IfMarked(first);
    nodePosition_[q] = static_cast<std::uint16_t>((pos & step) | (first & ~step));
    int t = (parentNode_[q] & step) | (q & ~step);
    while (nodePosition_[t] & Mark) {
        nodePosition_[t] = static_cast<std::uint16_t>(pos);
        t = parentNode_[t];
    }
    // A root holds no position: node 0 (none) takes the write instead,
    // chosen rather than branched to.
    nodePosition_[t < RootBase ? t : 0] = static_cast<std::uint16_t>(pos | Mark);
}

// A leaf whose 256 bytes equal those at `pos` gives way to the leaf `pos`
// and names it as its replacement; q keeps its number of children.
void MatchTree::ReplaceLeaf(int q, int r) {
    TakePlace(pos, r, q);
    parentNode_[r] = 0;
    nextLink_[r] = static_cast<std::uint16_t>(pos);
}

// The number of equal bytes at the start of an eight-byte difference: the
// first byte in memory is the lowest on a little-endian machine.
static int EqualLeadingBytes(std::uint64_t diff) {
    if constexpr (std::endian::native == std::endian::little) return std::countr_zero(diff) / 8;
    else return std::countl_zero(diff) / 8;
}

// The length from `from` on up to which a and b agree, at most `end`:
// eight bytes at a time, so that the loop's exit is one jump whatever the
// edge's length.
static int CommonLength(const std::uint8_t* a, const std::uint8_t* b, int from, int end) {
    int n = from;
    for (;;) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (const std::uint64_t diff = x ^ y; diff != 0) return std::min(n + EqualLeadingBytes(diff), end);
        n += 8;
        if (n >= end) return end;
    }
}

void MatchTree::InsertPosition() {
    int q;
    int r;
    if (matchLen >= 4) {
        // The string at pos shares matchLen - 1 bytes with the one after the
        // previous match: start below the deepest node above that leaf whose
        // depth is under matchLen.
        --matchLen;
        r = LeafBase + ((matchPos + 1) & (WindowSize - 1));
        while (parentNode_[r] == 0) r = nextLink_[r];
        q = parentNode_[r];
        while (nodeDepth_[q] >= matchLen) {
            r = q;
            q = parentNode_[q];
        }
        ApplyDeferredUpdate(q);
    } else {
        q = RootBase + text[pos];
        const int c = text[pos + 1];
        r = rootChild_[RootKey(q, c)];
        if (r == 0) {
            AddRootChild(q, c, pos);
            matchLen = 1;
            return;
        }
        matchLen = 2;
    }

    for (;;) {
        int edgeEnd;
        if (r >= LeafBase) {
            edgeEnd = MaxMatch;
            matchPos = r;
        } else {
            edgeEnd = nodeDepth_[r];
            matchPos = nodePosition_[r] & ~Mark;
        }
        matchPos = Unfold(matchPos);

        if (matchLen < edgeEnd) {
            matchLen = CommonLength(text.data() + pos, text.data() + matchPos, matchLen, edgeEnd);
            if (matchLen < edgeEnd) {
                SplitEdge(r);
                return;
            }
        }
        if (matchLen >= MaxMatch) break;

        nodePosition_[r] = static_cast<std::uint16_t>(pos);
        q = r;
        const int c = text[pos + matchLen];
        r = FindChild(q, c);
        if (r == 0) {
            AddChild(q, c, pos);
            return;
        }
        ++matchLen;
    }
    ReplaceLeaf(q, r);
}

// r is left with one child and goes. Its ancestors may still hold the
// position of the leaf just removed: hand them the newest one known.
void MatchTree::RemoveBranch(int r) {
    const int t = Unfold(nodePosition_[r] & ~Mark);
    int s = t;
    int q = parentNode_[r];
    // The first step is chosen by masks, as in ApplyDeferredUpdate.
    const std::uint16_t first = nodePosition_[q];
    const int step = IfMarked(first);
    const int newer = std::max(s, Unfold(first & ~Mark));
    s = (newer & step) | (s & ~step);
    nodePosition_[q] = static_cast<std::uint16_t>((Fold(s) & step) | (first & ~step));
    q = (parentNode_[q] & step) | (q & ~step);
    while (nodePosition_[q] & Mark) {
        s = std::max(s, Unfold(nodePosition_[q] & ~Mark));
        nodePosition_[q] = Fold(s);
        q = parentNode_[q];
    }
    // A root holds no position (0, below every other): node 0 takes the write.
    s = std::max(s, Unfold(nodePosition_[q]));
    nodePosition_[q < RootBase ? q : 0] = static_cast<std::uint16_t>(Fold(s) | Mark);

    const int c = static_cast<int>(children_[r] & 0xFFFF);
    Unlink(c);
    TakePlace(c, r, parentNode_[r]);
    parentNode_[r] = 0;
    nextLink_[r] = static_cast<std::uint16_t>(freeNode_);
    freeNode_ = r;
}

}  // namespace quarnel::lzh
