#pragma once
// What the benchmarks read: the columns of the recipient selection and a
// generated vCard 3.0 file of N contacts.

#include <string>

#include "pdx/types.h"

namespace bench {

inline constexpr pdx::ULONG kSelectionColumns[] = {
    0x3001001E, 0x0FFF0102, 0x0FFE0003, 0x3002001E, 0x3A23001E, 0x3A25001E, 0x5805001E, 0x5806001E,
    0x5804001E, 0x3A24001E, 0x5802001E, 0x5803001E, 0x5801001E, 0x3004001E, 0x3A13001E, 0x3003001E,
    0x3A16001E, 0x3A18001E, 0x3A06001E, 0x3A11001E, 0x39000003, 0x800F101E, 0x8011001E};

// Each contact has a name, a company and department, two fax numbers, a
// phone, an e-mail address and a note.
inline std::string contactsVcf(int contacts) {
    std::string text;
    text.reserve(size_t(contacts) * 400);
    for (int i = 0; i < contacts; ++i) {
        const std::string n = std::to_string(i);
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-" + n + "\r\nN:Surname" + n + ";Given" + n +
                ";;;\r\nFN:Given" + n + " Surname" + n + "\r\nORG:Company " + std::to_string(i % 500) +
                ";Department " + std::to_string(i % 20) + "\r\nTITLE:Buyer\r\nTEL;TYPE=WORK,FAX:+886 2 5555 " + n +
                "\r\nTEL;TYPE=HOME,FAX:+886 3 5555 " + n + "\r\nTEL;TYPE=WORK,VOICE:+886 2 6666 " + n +
                "\r\nEMAIL;TYPE=INTERNET,PREF:person" + n + "@example.com\r\nNOTE:Generated contact number " + n +
                "\r\nEND:VCARD\r\n";
    }
    return text;
}

} // namespace bench
