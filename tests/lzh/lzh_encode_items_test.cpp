// The items the driver chooses: the lazy rule, runs, the end of the input
// and the far edge of the window.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "lzh/encode_inputs.h"
#include "lzh/encode_stream.h"

namespace quarnel::test {
namespace {

struct Item {
    int length;    // 1: a literal
    int value;     // the literal byte, or d (distance - 1) of a match
    bool operator==(const Item&) const = default;
};
Item literal(int byte) { return {1, byte}; }
Item match(int length, int d) { return {length, d}; }

std::ostream& operator<<(std::ostream& out, const Item& item) {
    if (item.length == 1) return out << "literal " << item.value;
    return out << "match " << item.length << " d " << item.value;
}

class RecordingSink {
public:
    std::vector<Item> items;
    void PutItem(int symbol, int d) {
        items.push_back(symbol < 256 ? literal(symbol) : match(symbol - 253, d));
    }
    bool unpackable() const { return false; }
    void FinishBlockOutput() { finished = true; }
    bool finished = false;
};

std::vector<Item> itemsOf(const Bytes& input) {
    auto tree = std::make_unique<lzh::MatchTree>();
    RecordingSink sink;
    std::uint32_t unpackedSize = 0;
    lzh::StreamEncoder<RecordingSink> driver(*tree, input, unpackedSize, sink);
    driver.EncodeStream();
    EXPECT_TRUE(sink.finished);
    EXPECT_EQ(unpackedSize, input.size());
    return sink.items;
}

std::vector<Item> literals(std::string_view s) {
    std::vector<Item> items;
    for (const char c : s) items.push_back(literal(static_cast<std::uint8_t>(c)));
    return items;
}

std::vector<Item> operator+(std::vector<Item> a, const std::vector<Item>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The lazy rule: a longer match at the next position turns the byte into a
// literal ("abc" at the second "a", "bcde" behind it); an equally long one
// leaves the earlier match. Matches are cut at the end of the input, below
// 3 bytes into literals. A run is one literal and matches at distance 1.
TEST(LzhEncodeItems, DriverChoosesTheItemsOfTheFormat) {
    const struct {
        const char* input;
        std::vector<Item> items;
    } cases[] = {
        {"abc1bcde2abcde", literals("abc1bcde2a") + std::vector<Item>{match(4, 5)}},
        {"abcXbcdYabcd", literals("abcXbcdY") + std::vector<Item>{match(3, 7), literal('d')}},
        {"abcdefabcd", literals("abcdef") + std::vector<Item>{match(4, 5)}},
        {"abcdeab", literals("abcdeab")},
    };
    for (const auto& c : cases) EXPECT_EQ(itemsOf(bytesOf(c.input)), c.items) << c.input;
    EXPECT_EQ(itemsOf(Bytes(1000, 0)),
              (std::vector<Item>{literal(0), match(256, 0), match(256, 0), match(256, 0), match(231, 0)}));
}

// The tree holds the 8191 positions before the one inserted: a match 8191
// bytes back is the farthest the encoder finds.
TEST(LzhEncodeItems, MatchAtTheFarEdgeOfTheTree) {
    Bytes input = randomBytes(8192, 44);
    input.insert(input.end(), input.begin() + 1, input.begin() + 31);
    EXPECT_EQ(itemsOf(input).back(), match(30, 8190));
}

}  // namespace
}  // namespace quarnel::test
