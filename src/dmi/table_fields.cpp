#include "dmi/table_fields.h"

#include <algorithm>

#include "dmi/dmi_module_table.h"
#include "dmi/identity_fields.h"

namespace quarnel::dmi {
namespace {

DmiStringField readField(const SmbiosStructure& s, const IdentityField& field) {
    DmiStringField read;
    const std::optional<std::uint8_t> number = s.byteAt(field.offset);
    if (!number) return read;
    read.present = true;
    read.number = *number;
    if (*number > s.strings.size())
        read.fault = fieldLabel(field) + " names string " + std::to_string(*number) + ", but its structure has " +
                     std::to_string(s.strings.size());
    else if (*number > 0)
        read.text = s.strings[*number - 1];
    read.length = static_cast<std::int32_t>(read.text.size());
    return read;
}

}  // namespace

Result readTableFields(std::span<const std::uint8_t> module, DmiState& state) {
    ModuleTableView view;
    if (Result r = readModuleTable(module, state.signatureOffset, view); !r.ok()) return r;
    for (int type = 1; type <= 3; ++type)
        if (!firstOfType(view.walk, static_cast<std::uint8_t>(type)))
            return {Outcome::BadData, "The DMI table holds no structure of type " + std::to_string(type)};
    const SmbiosStructure& system = *firstOfType(view.walk, 1);
    if (system.formatted.size() < UuidFieldOffset + state.uuid.size())
        return {Outcome::BadData, "The DMI table's type 1 structure is too short to hold a UUID"};
    for (const IdentityField& field : IdentityFields)
        *heldField(state, field.type, field.row) =
            readField(*firstOfType(view.walk, static_cast<std::uint8_t>(field.type)), field);
    std::copy_n(system.formatted.begin() + UuidFieldOffset, state.uuid.size(), state.uuid.begin());
    state.resizable = view.table.resizable;
    state.fixedReason = view.table.fixedReason;
    state.moduleSize = static_cast<std::uint32_t>(module.size());
    return {};
}

}  // namespace quarnel::dmi
