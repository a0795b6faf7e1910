// LzhEncode: the compressed area of a buffer. The stream never grows beyond
// the input read so far; when it would, the encoder stops and the area holds
// a stream cut short there, which the result reports as incomplete.
#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "area_header.h"
#include "block_output.h"
#include "chunked_matches.h"
#include "codec_state.h"
#include "encode_stream.h"
#include "lzh.h"
#include "match_tree.h"

namespace quarnel::lzh {
namespace {

// The work areas of one call beside the match finding, zero-filled.
struct Encoder {
    explicit Encoder(std::uint8_t* streamOut) : output(codec, streamOut) {}

    LzhCodecState codec;
    BlockOutput output;
};

Result Refuse(std::string message) { return {Outcome::BadData, std::move(message)}; }

unsigned ThreadCount(const LzhEncodeOptions& options) {
    return options.threads != 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
}

// The chunked match finding, unless its threads can't be made.
std::unique_ptr<ChunkedMatches> StartChunks(std::span<const std::uint8_t> source, const LzhEncodeOptions& options,
                                            LzhEncodeStats& stats) {
    // Chunks start from trees of their own, as from zeros; an input that
    // leaves carried bytes unread is encoded in one pass.
    if (options.startText && source.size() < WindowSize + MaxMatch) return nullptr;
    const unsigned threads = ThreadCount(options);
    const ChunkPlan plan = PlanChunks(source.size(), threads, options);
    if (plan.count < 2) return nullptr;
    try {
        return std::make_unique<ChunkedMatches>(source, plan, threads, stats);
    } catch (const std::system_error&) {
        return nullptr;
    }
}

}  // namespace

Result LzhEncode(std::span<const std::uint8_t> source, std::span<std::uint8_t> destination, LzhEncoded& encoded,
                 const LzhEncodeOptions& options) {
    encoded = LzhEncoded{};
    if (source.size() > std::numeric_limits<std::uint32_t>::max() - EncodeOverhead)
        return Refuse("The data is too large to compress: " + std::to_string(source.size()) + " bytes.");
    if (destination.size() < source.size() + EncodeOverhead)
        return Refuse("The buffer for the compressed data is too small: " + std::to_string(destination.size()) +
                      " bytes for " + std::to_string(source.size() + EncodeOverhead) + " needed.");

    std::unique_ptr<Encoder> encoder;
    LzhEncodeStats stats;
    try {
        encoder = std::make_unique<Encoder>(destination.data() + AreaHeaderSize);
        // One pass needs a tree of its own; the chunked finding has its walks.
        const std::unique_ptr<ChunkedMatches> chunks = StartChunks(source, options, stats);
        const std::unique_ptr<MatchTree> tree = chunks ? nullptr : std::make_unique<MatchTree>();
        if (tree && options.startText) std::copy(options.startText->begin(), options.startText->end(), tree->text.begin());
        writeAreaHeader(destination, {});
        if (chunks) {
            EncodeFromMatches(*chunks, source, encoder->codec.unpackedSize, encoder->output);
        } else {
            StreamEncoder<BlockOutput> driver(*tree, source, encoder->codec.unpackedSize, encoder->output);
            driver.EncodeStream();
        }
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "not enough memory for the encoder's work areas"};
    }
    LzhCodecState& codec = encoder->codec;

    // The closing zero byte is written and counted even when the stream was cut short.
    codec.packedBytes += EncodeOverhead;
    *encoder->output.streamOut() = 0;
    writeAreaHeader(destination, {codec.packedBytes, codec.unpackedSize});

    // An empty input's area decodes to nothing, although no stream byte fit.
    const bool complete = !encoder->output.unpackable() || source.empty();
    encoded = {codec.packedBytes, complete, stats};
    return {};
}

}  // namespace quarnel::lzh
