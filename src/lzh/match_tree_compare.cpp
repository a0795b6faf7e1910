// The comparison of two match trees by what reaches the output. Node
// numbers of branch nodes, the free list and the order of the sibling chains
// only decide how a node is found, never which node: the child of a node for
// a byte is unique. Leaf numbers name text positions, so they must agree.
#include <algorithm>
#include <vector>

#include "match_tree.h"

namespace quarnel::lzh {

int MatchTree::ChildOf(int q, int c) const {
    if (q >= RootBase) return rootChild_[RootKey(q, c)];
    int r = nextLink_[Bucket(q, c)];
    while (r != 0 && parentNode_[r] != q) r = nextLink_[r];
    return r;
}

MatchTree::Snapshot::Snapshot(const MatchTree& tree)
    : text(tree.text),
      pos(tree.pos),
      matchLen(tree.matchLen),
      matchPos(tree.matchPos),
      childrenFound(tree.ChildrenFound()),
      nodeDepth(tree.nodeDepth_),
      nodePosition(tree.nodePosition_),
      parentNode(tree.parentNode_) {
    for (int node = 0; node < NodeSlots; ++node) childCount[node] = static_cast<std::uint16_t>(tree.children_[node] >> 16);
    std::copy_n(tree.nextLink_.begin() + LeafBase, WindowSize, replacement.begin());
}

// Whether every edge of the tree is found under the byte that the text of
// a leaf below it gives, walking up from every leaf.
bool MatchTree::ChildrenFound() const {
    std::vector<bool> checked(NodeSlots, false);
    for (int leaf = LeafBase; leaf < 2 * WindowSize; ++leaf) {
        if (parentNode_[leaf] == 0) continue;
        const int leafPosition = LeafPosition(leaf);
        for (int node = leaf;;) {
            const int parent = parentNode_[node];
            if (ChildOf(parent, text[leafPosition + nodeDepth_[parent]]) != node) return false;
            if (parent >= RootBase || checked[parent]) break;
            checked[parent] = true;
            node = parent;
        }
    }
    return true;
}

bool MatchTree::SameState(const Snapshot& other) const {
    if (!other.childrenFound) return false;
    if (pos != other.pos || matchLen != other.matchLen) return false;
    // A shortcut and the driver read matchPos only after a match of 3 bytes or more.
    if (matchLen >= MinMatch && matchPos != other.matchPos) return false;
    if (text != other.text) return false;
    for (int leaf = LeafBase; leaf < 2 * WindowSize; ++leaf) {
        const bool inTree = parentNode_[leaf] != 0;
        if (inTree != (other.parentNode[leaf] != 0)) return false;
        // A replaced leaf names its replacement, which the shortcut follows.
        if (!inTree && nextLink_[leaf] != other.replacement[leaf - LeafBase]) return false;
    }
    // A root's child count never falls below two, so it decides nothing; its position stays 0.
    for (int root = RootBase; root < RootBase + 256; ++root)
        if (nodePosition_[root] != other.nodePosition[root]) return false;
    return SameBranches(other);
}

// Walks up from every leaf in both trees at once, pairing the branch nodes
// met; a pairing must be one to one, and every edge must be found under the
// byte that the leaf's text gives it (in the other tree, that was checked
// when its snapshot was taken).
bool MatchTree::SameBranches(const Snapshot& other) const {
    std::vector<std::uint16_t> toOther(NodeSlots, 0);
    std::vector<std::uint16_t> fromOther(NodeSlots, 0);
    int paired = 0;
    for (int leaf = LeafBase; leaf < 2 * WindowSize; ++leaf) {
        if (parentNode_[leaf] == 0) continue;
        const int leafPosition = LeafPosition(leaf);
        int a = leaf;
        int b = leaf;
        for (;;) {
            const int parentA = parentNode_[a];
            const int parentB = other.parentNode[b];
            const int c = text[leafPosition + nodeDepth_[parentA]];
            if (ChildOf(parentA, c) != a) return false;
            if (parentA >= RootBase || parentB >= RootBase) {
                if (parentA != parentB) return false;
                break;
            }
            if (toOther[parentA] != 0 || fromOther[parentB] != 0) {
                if (toOther[parentA] != parentB) return false;
                break;  // the nodes above were compared from an earlier leaf
            }
            if (nodeDepth_[parentA] != other.nodeDepth[parentB] ||
                children_[parentA] >> 16 != other.childCount[parentB] ||
                nodePosition_[parentA] != other.nodePosition[parentB])
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
        otherInTree += other.parentNode[node] != 0;
    }
    return inTree == paired && otherInTree == paired;
}

}  // namespace quarnel::lzh
