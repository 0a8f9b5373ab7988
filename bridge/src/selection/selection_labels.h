#pragma once
// The "PDX C_IF" labels of Lisotrex.inf as the selection uses them: name
// suffixes to recognise one-off fax numbers, and the labels the information
// box puts after a number.

#include <string>

namespace vqbridge {

struct SelectionLabels {
    // Name suffixes, in the system code page (compared with entry names).
    std::string compHome, compBusiness, compOther, compEmail;
    // Information box labels, UTF-8.
    std::string primary, home, business, other, email;
    // Address types and the proxy address marker, in the system code page.
    std::string faxType, exchangeType, smtp;

    // Read each time a selection is prepared; the defaults stand in for
    // anything missing, the file included.
    static SelectionLabels read(const std::string& infPath);
};

} // namespace vqbridge
