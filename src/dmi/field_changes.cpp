#include "dmi/field_changes.h"

namespace quarnel::dmi {
namespace {

void diffFields(const DmiFields& a, const DmiFields& b, int type, std::vector<FieldChange>& changes) {
    for (std::size_t row = 0; row < a.size() && row < b.size(); ++row)
        if (a[row].text != b[row].text) changes.push_back({type, static_cast<int>(row) + 1, a[row].text, b[row].text});
}

}  // namespace

std::vector<FieldChange> fieldChanges(const DmiState& a, const DmiState& b) {
    std::vector<FieldChange> changes;
    diffFields(a.type1Fields, b.type1Fields, 1, changes);
    diffFields(a.type2Fields, b.type2Fields, 2, changes);
    diffFields(a.type3Fields, b.type3Fields, 3, changes);
    return changes;
}

}  // namespace quarnel::dmi
