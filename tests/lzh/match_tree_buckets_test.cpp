// A child lookup takes the first node of its chain whose parent matches,
// without checking the child's byte; two children of one branch node in the
// same chain would make it find the wrong one and change the output.
#include <gtest/gtest.h>

#include <bitset>

#include "lzh/match_tree.h"

namespace quarnel::lzh {
namespace {

TEST(MatchTreeBuckets, TheChildrenOfOneBranchNodeNeverShareAChain) {
    for (int q = 1; q < WindowSize; ++q) {
        std::bitset<1 << 16> seen;
        for (int c = 0; c < 256; ++c) {
            const int bucket = MatchTree::Bucket(q, c);
            ASSERT_FALSE(seen[bucket]) << "node " << q << ", byte " << c;
            seen[bucket] = true;
        }
    }
}

}  // namespace
}  // namespace quarnel::lzh
