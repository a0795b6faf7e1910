// The text buffer an encoding leaves behind. The encoder reads up to
// WindowSize + MaxMatch bytes behind the first window, then slides the text
// down by a window after every WindowSize positions, also once the input is
// used up, and reads up to a window more behind what it kept; bytes past
// what was read keep what they held.
#include <algorithm>
#include <cstring>

#include "lzh.h"

namespace quarnel::lzh {

void CarryText(TextBuffer& text, std::span<const std::uint8_t> source) {
    std::size_t read = std::min<std::size_t>(source.size(), WindowSize + MaxMatch);
    if (read != 0) std::memcpy(text.data() + WindowSize, source.data(), read);
    for (std::size_t slides = source.size() / WindowSize; slides > 0; --slides) {
        std::memmove(text.data(), text.data() + WindowSize, WindowSize + MaxMatch);
        const std::size_t n = std::min<std::size_t>(source.size() - read, WindowSize);
        if (n != 0) std::memcpy(text.data() + WindowSize + MaxMatch, source.data() + read, n);
        read += n;
    }
}

}  // namespace quarnel::lzh
