// The comparison of two match trees by what reaches the output. Node
// numbers of branch nodes, the free list and the order of the sibling chains
// only decide how a node is found, never which node: the child of a node for
// a byte is unique. Leaf numbers name text positions, so they must agree.
#include <vector>

#include "match_tree.h"

namespace quarnel::lzh {

int MatchTree::ChildOf(int q, int c) const {
    if (q >= RootBase) return rootChild_[RootKey(q, c)];
    int r = nextLink_[Bucket(q, c)];
    while (r != 0 && parentNode_[r] != q) r = nextLink_[r];
    return r;
}

bool MatchTree::SameState(const MatchTree& other) const {
    if (pos != other.pos || matchLen != other.matchLen) return false;
    // A shortcut and the driver read matchPos only after a match of 3 bytes or more.
    if (matchLen >= MinMatch && matchPos != other.matchPos) return false;
    if (text != other.text) return false;
    for (int leaf = LeafBase; leaf < 2 * WindowSize; ++leaf) {
        const bool inTree = parentNode_[leaf] != 0;
        if (inTree != (other.parentNode_[leaf] != 0)) return false;
        // A replaced leaf names its replacement, which the shortcut follows.
        if (!inTree && nextLink_[leaf] != other.nextLink_[leaf]) return false;
    }
    // A root's child count only ever grows and is never read; its position stays 0.
    for (int root = RootBase; root < RootBase + 256; ++root)
        if (nodePosition_[root] != other.nodePosition_[root]) return false;
    return SameBranches(other);
}

// Walks up from every leaf in both trees at once, pairing the branch nodes
// met; a pairing must be one to one, and every edge must be found under the
// byte that the leaf's text gives it, in both trees.
bool MatchTree::SameBranches(const MatchTree& other) const {
    std::vector<std::uint16_t> toOther(NodeSlots, 0);
    std::vector<std::uint16_t> fromOther(NodeSlots, 0);
    int paired = 0;
    for (int leaf = LeafBase; leaf < 2 * WindowSize; ++leaf) {
        if (parentNode_[leaf] == 0) continue;
        // The leaf numbered pos was inserted last; any other at or above pos lies in the older half.
        const int leafPosition = leaf > pos ? leaf - WindowSize : leaf;
        int a = leaf;
        int b = leaf;
        for (;;) {
            const int parentA = parentNode_[a];
            const int parentB = other.parentNode_[b];
            const int c = text[leafPosition + nodeDepth_[parentA]];
            if (ChildOf(parentA, c) != a || other.ChildOf(parentB, c) != b) return false;
            if (parentA >= RootBase || parentB >= RootBase) {
                if (parentA != parentB) return false;
                break;
            }
            if (toOther[parentA] != 0 || fromOther[parentB] != 0) {
                if (toOther[parentA] != parentB) return false;
                break;  // the nodes above were compared from an earlier leaf
            }
            if (nodeDepth_[parentA] != other.nodeDepth_[parentB] ||
                children_[parentA] >> 16 != other.children_[parentB] >> 16 ||
                nodePosition_[parentA] != other.nodePosition_[parentB])
                return false;
            toOther[parentA] = static_cast<std::uint16_t>(parentB);
            fromOther[parentB] = static_cast<std::uint16_t>(parentA);
            ++paired;
            a = parentA;
            b = parentB;
        }
    }
    // No branch node in the tree may be left out of the pairing.
    int inTree = 0;
    int otherInTree = 0;
    for (int node = 1; node < WindowSize; ++node) {
        inTree += parentNode_[node] != 0;
        otherInTree += other.parentNode_[node] != 0;
    }
    return inTree == paired && otherInTree == paired;
}

}  // namespace quarnel::lzh
