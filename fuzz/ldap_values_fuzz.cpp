// LDAP value conversion: any attribute values a server may send map to a
// recipient whose texts are valid in the system code page (here UTF-8 and,
// on odd inputs, Big5), whose identifier carries the DN, and whose members
// are read without a crash. The input is "dn\nname=value\nname=value...".

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "entry_ids.h"
#include "ldap_values.h"
#include "pdx/tags.h"

namespace {

// Every byte sequence is valid UTF-8.
bool validUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (!n || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    mapi32::LdapEntry entry;
    size_t pos = bytes.find('\n');
    entry.dn = bytes.substr(0, pos);
    while (pos != std::string::npos) {
        const size_t next = bytes.find('\n', pos + 1);
        const std::string line = bytes.substr(pos + 1, next == std::string::npos ? std::string::npos : next - pos - 1);
        const size_t eq = line.find('=');
        if (eq != std::string::npos) entry.attributes.push_back({line.substr(0, eq), {line.substr(eq + 1)}});
        pos = next;
    }
    const pdx::MAPIUID uid = {{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6}};
    const bool big5 = size && (data[0] & 1);
    if (big5) setenv("VELMO_CODEPAGE", "CP950", 1);
    else unsetenv("VELMO_CODEPAGE");
    const mapi32::DirectoryText text;
    const auto row = recipientRow(entry, uid, text);
    for (pdx::ULONG i = 0; i < row->size(); ++i) {
        const pdx::SPropValue& v = row->data()[i];
        if (pdx::PROP_TYPE(v.ulPropTag) != pdx::PT_STRING8) continue;
        const std::string s = v.Value.lpszA;
        if (!big5 && !validUtf8(s)) std::abort();
        for (char c : s)
            if (c == '\n' || c == '\r') std::abort();
    }
    const pdx::SPropValue* id = row->find(pdx::PR_ENTRYID);
    if (!id || id->Value.bin.cb != mapi32::kIdFixed + entry.dn.size()) std::abort();
    if (std::memcmp(id->Value.bin.lpb + mapi32::kIdFixed, entry.dn.data(), entry.dn.size()) != 0) std::abort();
    for (const std::string& dn : mapi32::memberDns(entry))
        if (dn.empty()) std::abort();
    return 0;
}
