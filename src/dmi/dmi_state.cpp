#include "dmi/dmi_state.h"

namespace quarnel::dmi {

const DmiFields& fieldsOfType(const DmiState& state, int type) {
    if (type == 2) return state.type2Fields;
    if (type == 3) return state.type3Fields;
    return state.type1Fields;
}

const DmiStringField* heldField(const DmiState& state, int type, int row) {
    if (type < 1 || type > 3 || row < 1) return nullptr;
    const DmiFields& fields = fieldsOfType(state, type);
    return static_cast<std::size_t>(row) <= fields.size() ? &fields[static_cast<std::size_t>(row - 1)] : nullptr;
}

DmiStringField* heldField(DmiState& state, int type, int row) {
    return const_cast<DmiStringField*>(heldField(static_cast<const DmiState&>(state), type, row));
}

}  // namespace quarnel::dmi
