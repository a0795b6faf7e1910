#include "dmi/dmi_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string_view>

#include "dmi/dmi_messages.h"
#include "dmi/table_fields.h"

namespace quarnel::dmi {
namespace {

// Reads bytes and strings of the module and remembers the first read that
// would fall outside it; such reads give 0 or "" so the walk can end
// normally and the caller refuses the whole module.
class ModuleReader {
public:
    explicit ModuleReader(std::span<const std::uint8_t> module) : module_(module) {}

    std::uint8_t byteAt(std::uint64_t offset) {
        if (offset < module_.size()) return module_[offset];
        fail(messages::HeaderPastEnd);
        return 0;
    }

    std::string stringAt(std::uint64_t offset) {
        auto rest = offset < module_.size() ? module_.subspan(offset) : std::span<const std::uint8_t>();
        auto nul = std::find(rest.begin(), rest.end(), std::uint8_t{0});
        if (nul != rest.end()) return std::string(rest.begin(), nul);
        fail(messages::StringPastEnd);
        return {};
    }

    const std::string& failure() const { return failure_; }

private:
    void fail(const char* message) {
        if (failure_.empty()) failure_ = message;
    }

    std::span<const std::uint8_t> module_;
    std::string failure_;
};

bool signatureAt(std::span<const std::uint8_t> module, std::size_t p) {
    return std::memcmp(module.data() + p, Signature, SignatureLength) == 0;
}

// Positions 0 to size - 21: the search never looks at the module's last 20
// bytes, whatever its length.
std::optional<std::uint32_t> findSignature(std::span<const std::uint8_t> module) {
    for (std::size_t p = 0; p + 21 <= module.size(); ++p)
        if (signatureAt(module, p)) return static_cast<std::uint32_t>(p);
    return std::nullopt;
}

// As strtol with base 10 over a few characters of the date: leading blanks,
// an optional sign, digits up to the first non-digit; no digits give 0.
long leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

// Dated 10/25/2006 or later.
bool dateSupportsDmiChanges(long month, long day, long year) {
    if (year != 2006) return year > 2006;
    if (month != 10) return month > 10;
    return day > 24;
}

void readSignatureArea(std::span<const std::uint8_t> module, std::uint32_t p, DmiState& state) {
    state.signatureOffset = p;
    std::string_view date(reinterpret_cast<const char*>(module.data() + p + DateDistance), DateLength);
    state.biosDate = std::string(date.substr(0, date.find('\0')));
    long month = leadingNumber(date.substr(0, 2));
    long day = leadingNumber(date.substr(3, 2));
    long year = leadingNumber(date.substr(6, 4));
    state.dmiChangesSupported = dateSupportsDmiChanges(month, day, year);
    std::copy_n(module.begin() + p + UuidDistance, state.uuid.size(), state.uuid.begin());
    state.type1StringsOffset = p + Type1HeaderDistance + module[p + Type1HeaderDistance + 1];
}

// Walks string-sets and headers from one base offset; `off` stays on the
// terminating NUL of the last string read.
class StructureWalk {
public:
    StructureWalk(ModuleReader& reader, std::uint64_t base) : reader_(reader), base_(base) {}

    // After string 4 the walk stands on its NUL.
    void readFourStrings(DmiFields& fields) {
        for (std::size_t k = 0; k < 4; ++k) {
            fields[k].text = reader_.stringAt(base_ + off_);
            fields[k].length = static_cast<std::int32_t>(fields[k].text.size());
            fields[k].number = static_cast<std::uint8_t>(k + 1);
            fields[k].present = true;
            off_ += fields[k].text.size() + (k < 3 ? 1 : 0);
        }
    }

    // The next structure's type: past the NUL of the last string and the
    // set's closing NUL. A set of six strings is stepped over too.
    bool nextTypeIs(std::uint8_t type) {
        if (reader_.byteAt(base_ + off_ + 2) == type) return true;
        for (int extra = 0; extra < 2; ++extra) {
            off_ += 1;
            off_ += reader_.stringAt(base_ + off_).size();
        }
        return reader_.byteAt(base_ + off_ + 2) == type;
    }

    // Onto the first string of the structure whose header follows.
    void enterNextStructure() { off_ += reader_.byteAt(base_ + off_ + 3) + 2; }

    std::uint64_t position() const { return base_ + off_; }

private:
    ModuleReader& reader_;
    std::uint64_t base_;
    std::uint64_t off_ = 0;
};

}  // namespace

DmiReadResult readDmiModule(std::span<const std::uint8_t> module) {
    DmiReadResult result;
    DmiState& state = result.state;

    auto signature = findSignature(module);
    result.signatureFound = signature.has_value();
    if (signature) {
        if (module.size() - *signature < SignatureReach) {
            result.refusal = {Outcome::BadData, messages::SignatureNearEnd};
            return result;
        }
        readSignatureArea(module, *signature, state);
    }
    if (!signature || !state.dmiChangesSupported) result.problems.emplace_back(messages::NoDmiSupport);

    ModuleReader reader(module);
    StructureWalk walk(reader, state.type1StringsOffset);
    walk.readFourStrings(state.type1Fields);
    if (!walk.nextTypeIs(2)) result.problems.emplace_back(messages::NoType2);
    walk.enterNextStructure();
    walk.readFourStrings(state.type2Fields);
    if (!walk.nextTypeIs(3)) result.problems.emplace_back(messages::NoType3);
    walk.enterNextStructure();
    state.type3StringsOffset = static_cast<std::uint32_t>(walk.position());
    walk.readFourStrings(state.type3Fields);

    if (!reader.failure().empty()) {
        result.refusal = {Outcome::BadData, reader.failure()};
        return result;
    }
    // The walk above finds the structures as the BIOS lays them out; the
    // fields are then read as SMBIOS readers read them, through the string
    // numbers, which a module that can be written back must allow.
    if (Result r = readTableFields(module, state); !r.ok() && result.problems.empty())
        result.problems.push_back(r.message);
    return result;
}

}  // namespace quarnel::dmi
