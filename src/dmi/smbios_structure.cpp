#include "dmi/smbios_structure.h"

#include <algorithm>

#include "dmi/smbios_layout.h"

namespace quarnel::dmi {

std::optional<SmbiosStructure> structureAt(std::span<const std::uint8_t> table, std::size_t offset) {
    if (offset + SmbiosHeaderSize > table.size() || table[offset + 1] < SmbiosHeaderSize ||
        offset + table[offset + 1] > table.size())
        return std::nullopt;
    SmbiosStructure s{offset, 0, table.subspan(offset, table[offset + 1]), {}};
    std::size_t p = offset + table[offset + 1];
    if (p + 1 < table.size() && table[p] == 0 && table[p + 1] == 0) {
        s.end = p + 2;
        return s;
    }
    while (p < table.size()) {
        const auto* begin = table.data() + p;
        const auto* nul = std::find(begin, table.data() + table.size(), std::uint8_t{0});
        if (nul == table.data() + table.size()) return std::nullopt;
        if (nul == begin) {  // the empty string that ends the set
            s.end = p + 1;
            return s;
        }
        s.strings.emplace_back(begin, nul);
        p += static_cast<std::size_t>(nul - begin) + 1;
    }
    return std::nullopt;
}

SmbiosWalk walkStructures(std::span<const std::uint8_t> table) {
    SmbiosWalk walk;
    std::size_t offset = 0;
    while (offset < table.size()) {
        std::optional<SmbiosStructure> s = structureAt(table, offset);
        if (!s) {
            walk.cutAt = offset;
            break;
        }
        offset = s->end;
        walk.end = offset;
        const bool last = s->type() == SmbiosEndOfTable;
        walk.structures.push_back(std::move(*s));
        if (last) {
            walk.ended = true;
            break;
        }
    }
    return walk;
}

const SmbiosStructure* firstOfType(const SmbiosWalk& walk, std::uint8_t type) {
    for (const SmbiosStructure& s : walk.structures)
        if (s.type() == type) return &s;
    return nullptr;
}

void appendStructure(std::vector<std::uint8_t>& table, std::span<const std::uint8_t> formatted,
                     const std::vector<std::string>& strings) {
    table.insert(table.end(), formatted.begin(), formatted.end());
    for (const std::string& text : strings) {
        table.insert(table.end(), text.begin(), text.end());
        table.push_back(0);
    }
    if (strings.empty()) table.push_back(0);
    table.push_back(0);
}

}  // namespace quarnel::dmi
