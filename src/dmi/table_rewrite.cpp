#include "dmi/table_rewrite.h"

#include <algorithm>
#include <map>

#include "dmi/dmi_module_table.h"
#include "dmi/identity_fields.h"
#include "dmi/latin1_text.h"

namespace quarnel::dmi {
namespace {

constexpr std::size_t MostStrings = 255;

struct StructureEdit {
    std::vector<std::uint8_t> formatted;
    std::vector<std::string> strings;
    bool changed = false;
};

std::size_t references(const std::vector<std::uint8_t>& formatted, std::size_t number) {
    std::size_t count = 0;
    for (std::size_t offset : stringNumberOffsets(formatted)) count += formatted[offset] == number;
    return count;
}

std::string readText(const SmbiosStructure& s, std::uint8_t number) {
    return number > 0 && number <= s.strings.size() ? s.strings[number - 1] : std::string();
}

Result setInPlace(StructureEdit& edit, const IdentityField& field, const std::string& text,
                  std::map<std::size_t, std::string>& written) {
    const std::size_t number = edit.formatted[field.offset];
    const std::string label = fieldLabel(field);
    if (number == 0 || number > edit.strings.size())
        return {Outcome::BadData, label + " names no string to write over, and every string keeps its length"};
    if (auto [at, fresh] = written.emplace(number, text); !fresh && at->second != text)
        return {Outcome::BadData, label + " shares its string with another field given another value; strings "
                                          "that keep their lengths can't be told apart"};
    if (text.size() != edit.strings[number - 1].size())
        return {Outcome::BadData, label + ": \"" + utf8FromLatin1(text) + "\" is not as long as the string it replaces"};
    edit.strings[number - 1] = text;
    return {};
}

Result setExactly(StructureEdit& edit, const IdentityField& field, const std::string& text) {
    std::uint8_t& number = edit.formatted[field.offset];
    if (text.empty()) {
        number = 0;
        return {};
    }
    if (number != 0 && number <= edit.strings.size() && references(edit.formatted, number) == 1) {
        edit.strings[number - 1] = text;
        return {};
    }
    if (edit.strings.size() >= MostStrings)
        return {Outcome::BadData, fieldLabel(field) + ": its structure already holds 255 strings"};
    edit.strings.push_back(text);
    number = static_cast<std::uint8_t>(edit.strings.size());
    return {};
}

// Strings that lost their last reference leave the set, the highest first,
// so the numbers of those not yet looked at stay as they were.
void dropUnreferenced(StructureEdit& edit, const std::vector<std::uint8_t>& before) {
    if (!layoutKnown(edit.formatted)) return;
    const std::vector<std::size_t> offsets = stringNumberOffsets(edit.formatted);
    for (std::size_t number = edit.strings.size(); number >= 1; --number) {
        if (references(before, number) == 0 || references(edit.formatted, number) > 0) continue;
        edit.strings.erase(edit.strings.begin() + static_cast<std::ptrdiff_t>(number - 1));
        for (std::size_t offset : offsets)
            if (edit.formatted[offset] > number) --edit.formatted[offset];
    }
}

// The bytes a structure is written back as must be those it was read from,
// or an edit would change more than its strings.
bool rewritesExactly(std::span<const std::uint8_t> table, const SmbiosStructure& s) {
    std::vector<std::uint8_t> again;
    appendStructure(again, s.formatted, s.strings);
    return std::equal(again.begin(), again.end(), table.begin() + static_cast<std::ptrdiff_t>(s.offset),
                      table.begin() + static_cast<std::ptrdiff_t>(s.end));
}

Result editStructure(const DmiState& state, const SmbiosStructure& s, StructureEdit& edit) {
    const bool inPlace = state.keepLengths || !state.resizable;
    edit.formatted.assign(s.formatted.begin(), s.formatted.end());
    edit.strings = s.strings;
    std::map<std::size_t, std::string> written;
    for (const IdentityField& field : IdentityFields) {
        if (field.type != s.type()) continue;
        const DmiStringField& held = *heldField(state, field.type, field.row);
        const std::optional<std::uint8_t> number = s.byteAt(field.offset);
        if (!number || held.text == readText(s, *number)) continue;
        edit.changed = true;
        Result r = inPlace ? setInPlace(edit, field, held.text, written) : setExactly(edit, field, held.text);
        if (!r.ok()) return r;
    }
    // The reading refused a type 1 too short for the UUID.
    if (s.type() == 1 && !std::equal(state.uuid.begin(), state.uuid.end(), edit.formatted.begin() + UuidFieldOffset)) {
        std::copy(state.uuid.begin(), state.uuid.end(), edit.formatted.begin() + UuidFieldOffset);
        edit.changed = true;
    }
    if (edit.changed && !inPlace) dropUnreferenced(edit, std::vector<std::uint8_t>(s.formatted.begin(), s.formatted.end()));
    return {};
}

// The table with the edited structures written anew.
Result newTable(const DmiState& state, std::span<const std::uint8_t> table, const SmbiosWalk& walk,
                std::vector<std::uint8_t>& out) {
    for (const SmbiosStructure& s : walk.structures) {
        StructureEdit edit;
        if (s.type() >= 1 && s.type() <= 3 && &s == firstOfType(walk, s.type()))
            if (Result r = editStructure(state, s, edit); !r.ok()) return r;
        if (!edit.changed) {
            out.insert(out.end(), table.begin() + static_cast<std::ptrdiff_t>(s.offset),
                       table.begin() + static_cast<std::ptrdiff_t>(s.end));
            continue;
        }
        if (!rewritesExactly(table, s))
            return {Outcome::BadData, "The type " + std::to_string(s.type()) +
                                          " structure of the DMI table is laid out in a way that can't be written "
                                          "back exactly"};
        appendStructure(out, edit.formatted, edit.strings);
    }
    return {};
}

void putTableEnd(std::vector<std::uint8_t>& module, std::size_t end) {
    module[TableEndFieldOffset] = static_cast<std::uint8_t>(end);
    module[TableEndFieldOffset + 1] = static_cast<std::uint8_t>(end >> 8);
}

}  // namespace

Result rewriteTable(const DmiState& state, std::vector<std::uint8_t>& module) {
    ModuleTableView view;
    if (Result r = readModuleTable(module, state.signatureOffset, view); !r.ok()) return r;
    const auto table = std::span<const std::uint8_t>(module).subspan(view.table.start, view.walk.end);
    std::vector<std::uint8_t> table2;
    if (Result r = newTable(state, table, view.walk, table2); !r.ok()) return r;
    if (std::equal(table2.begin(), table2.end(), table.begin(), table.end())) return {};
    if (table2.size() != table.size() && !view.table.resizable)
        return {Outcome::BadData, view.table.fixedReason};

    const std::size_t end = view.table.start + table2.size();
    if (end > module.size())
        return {Outcome::BadData, "The new DMI table doesn't fit module 6 (" + std::to_string(module.size()) +
                                      " bytes): " + std::to_string(end - module.size()) +
                                      " bytes are missing; nothing was written"};
    if (end > 0xFFFF) return {Outcome::BadData, "The new DMI table ends past the 64 KiB its header can point to"};
    std::copy(table2.begin(), table2.end(), module.begin() + view.table.start);
    if (table2.size() != table.size()) {
        std::fill(module.begin() + static_cast<std::ptrdiff_t>(end), module.end(), std::uint8_t{0});
        putTableEnd(module, end);
    }
    return {};
}

}  // namespace quarnel::dmi
