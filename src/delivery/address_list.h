#pragma once

#include <string>
#include <vector>

namespace tervolen {

// One mailbox: the address and a display name that may be empty.
struct EmailAddress {
    std::string address;
    std::string name;

    bool operator==(const EmailAddress&) const = default;
};

using EmailAddressList = std::vector<EmailAddress>;

// Parses a list of mailboxes separated by "," or ";". Quoted text and (nested) comments are kept whole,
// group names before ":" are dropped, and empty entries and "<>" give nothing.
// Throws Error "@ Outside address" for an "@" after a closed angle-bracket address.
EmailAddressList parseAddressList(const std::string& text);

// The text of an address header: the items joined with ", ". useAddressAsName takes the address as the
// display name where the item has none. Names outside printable ASCII become RFC 2047 encoded words. An
// address without a name stands bare, or in angle brackets where it holds "<" outside quotes, so that every
// list that ParseAddressList gives reads back the same.
std::string formatAddressList(const EmailAddressList& list, bool useAddressAsName = false);

} // namespace tervolen
