#include "services/limbo_list.h"

#include "services/service_errors.h"
#include "services/services_api.h"

#include <optional>

namespace tervolen {

namespace {

enum class ItemKind { Limbo, Number, Byte, Text };

struct ItemLayout {
    ItemKind kind;
    std::size_t valueLength; // for Text: the length field's
};

std::optional<ItemLayout> layoutOf(std::uint8_t tag) {
    switch (tag) {
    case isc::isc_spb_single_tra_id:
    case isc::isc_spb_multi_tra_id:
        return ItemLayout{ItemKind::Limbo, 4};
    case isc::isc_spb_single_tra_id_64:
    case isc::isc_spb_multi_tra_id_64:
        return ItemLayout{ItemKind::Limbo, 8};
    case isc::isc_spb_tra_id:
        return ItemLayout{ItemKind::Number, 4};
    case isc::isc_spb_tra_id_64:
        return ItemLayout{ItemKind::Number, 8};
    case isc::isc_spb_tra_state:
    case isc::isc_spb_tra_advise:
        return ItemLayout{ItemKind::Byte, 1};
    case isc::isc_spb_tra_host_site:
    case isc::isc_spb_tra_remote_site:
    case isc::isc_spb_tra_db_path:
        return ItemLayout{ItemKind::Text, 2};
    default:
        return std::nullopt;
    }
}

std::uint64_t littleEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

[[noreturn]] void unexpectedOutput() {
    throw ClientError("Unexpected Output buffer value");
}

} // namespace

std::vector<std::uint64_t> LimboList::add(std::string_view bytes) {
    pending_.append(bytes);
    std::vector<std::uint64_t> transactions;
    std::size_t at = 0;
    while (at < pending_.size()) {
        const std::optional<ItemLayout> layout = layoutOf(static_cast<std::uint8_t>(pending_[at]));
        if (!layout)
            unexpectedOutput();
        const std::size_t valueAt = at + 1;
        if (pending_.size() - valueAt < layout->valueLength)
            break;
        std::size_t end = valueAt + layout->valueLength;
        if (layout->kind == ItemKind::Text) {
            end += littleEndian(std::string_view(pending_).substr(valueAt, layout->valueLength));
            if (end > pending_.size())
                break;
        }
        if (layout->kind == ItemKind::Limbo)
            transactions.push_back(littleEndian(std::string_view(pending_).substr(valueAt, layout->valueLength)));
        at = end;
    }
    pending_.erase(0, at);
    return transactions;
}

void LimboList::finish() const {
    if (!pending_.empty())
        unexpectedOutput();
}

std::string limboLine(std::uint64_t transaction) {
    return "Transaction " + std::to_string(transaction) + " is in limbo.";
}

} // namespace tervolen
