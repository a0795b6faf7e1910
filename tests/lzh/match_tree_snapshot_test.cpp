// The proof at a seam compares the exact tree with a snapshot of a worker's
// tree. A snapshot that kept too little would pass trees that go on to find
// other matches; one that compared too much would never pass a seam.
#include <gtest/gtest.h>

#include <string>

#include "lzh/encode_inputs.h"
#include "lzh/match_walk.h"

namespace quarnel::test {
namespace {

lzh::MatchWalk walkTo(const Bytes& input, std::size_t from, std::size_t to) {
    lzh::MatchWalk walk(input, from);
    while (walk.position() < to) walk.Advance();
    return walk;
}

TEST(MatchTreeSnapshot, APassedSeamFindsTheExactMatchesFromThereOn) {
    constexpr std::size_t Ahead = 65536;
    const struct {
        std::string name;
        Bytes input;
    } inputs[] = {
        {"text", englishText(400000)},
        {"runs", byteRuns(400000, 5)},
        {"random", randomBytes(400000, 9)},
    };
    int passed = 0;
    int refused = 0;
    for (const auto& in : inputs) {
        for (const std::size_t warmUp : {8192, 65536}) {
            for (const std::size_t seam : {131072, 262144}) {
                lzh::MatchWalk exact = walkTo(in.input, 0, seam);
                lzh::MatchWalk worker = walkTo(in.input, seam - warmUp, seam);
                if (!exact.tree.SameState(lzh::MatchTree::Snapshot(worker.tree))) {
                    ++refused;
                    continue;
                }
                ++passed;
                for (std::size_t k = 0; k < Ahead; ++k) {
                    exact.Advance();
                    worker.Advance();
                    const lzh::FoundMatch a = exact.Match();
                    const lzh::FoundMatch b = worker.Match();
                    ASSERT_TRUE(a.length() == b.length() && (a.length() < lzh::MinMatch || a.d() == b.d()))
                        << in.name << ", warm-up " << warmUp << ", seam " << seam << ": position " << exact.position();
                }
            }
        }
    }
    EXPECT_GT(passed, 0) << "no seam passed: the proof refuses equal trees";
    EXPECT_GT(refused, 0) << "every seam passed: the trees that differ went untested";
}

}  // namespace
}  // namespace quarnel::test
