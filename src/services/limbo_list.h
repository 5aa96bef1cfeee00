#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// Reads the limbo list that a repair request with isc_spb_rpr_list_limbo_trans sends back as items: a transaction
// number (4 or 8 bytes little-endian) for each transaction in limbo, then, for one that spans several databases,
// its description (host site, sub-transactions, states, remote sites, database paths, advice). An answer may end
// inside an item; the rest of that item comes with the next answer.
class LimboList {
public:
    // Reads the next answer's bytes; returns the numbers of the transactions in limbo that it completes, in order.
    // Throws ClientError "Unexpected Output buffer value" for an item it does not know.
    std::vector<std::uint64_t> add(std::string_view bytes);
    // Throws ClientError "Unexpected Output buffer value" when the list ended inside an item.
    void finish() const;

private:
    std::string pending_;
};

// "Transaction 123 is in limbo.", as gfix -list says it.
std::string limboLine(std::uint64_t transaction);

} // namespace tervolen
