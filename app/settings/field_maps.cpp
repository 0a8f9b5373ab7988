#include "settings/field_maps.h"

#include "platform/ini.h"
#include "platform/module.h"

namespace lisotrex {
namespace {

constexpr size_t kValueBuffer = 1024;

struct Defaults {
    std::string_view section;
    std::array<std::string_view, kFieldKeyCount> values;
};

constexpr Defaults kDefaults[] = {
    {kExchange5Section,
     {"First Name", "Last name", "", "Display Name", "Company", "Department", "Fax number", "", "SMTP",
      "E-mail Addresses", ""}},
    {kExchange2000Section,
     {"givenName", "sn", "", "displayName", "company", "department", "facsimileTelephoneNumber", "", "", "mail", ""}},
    {kNotesSection,
     {"FirstName", "LastName", "AltFullNameSort", "", "CompanyName", "Department", "OfficeFAXPhoneNumber",
      "HomeFAXPhoneNumber", "", "MailAddress", "InternetAddress"}},
};

} // namespace

std::string_view fieldKeyName(FieldKey key) {
    static constexpr std::string_view names[kFieldKeyCount] = {
        "FirstName", "LastName", "AltFullNameSort", "DisplayName", "Company", "Department",
        "FaxNumber1", "FaxNumber2", "EmailProperty", "Email1", "Email2"};
    return names[static_cast<size_t>(key)];
}

FieldMaps FieldMaps::load(const std::string& infPath) {
    platform::IniText ini = platform::IniText::load(infPath);
    FieldMaps result;
    for (const auto& d : kDefaults) {
        FieldMap map;
        map.name = std::string(d.section);
        for (size_t i = 0; i < kFieldKeyCount; ++i) {
            auto key = static_cast<FieldKey>(i);
            std::string v = ini.value(d.section, fieldKeyName(key), d.values[i], kValueBuffer);
            // Exchange 5.x e-mail cells start "SMTP:"; Notes lines start "Name:  ".
            if (d.section == kExchange5Section && key == FieldKey::EmailProperty) v += ":";
            if (d.section == kNotesSection) v += ":  ";
            map.values[i] = std::move(v);
        }
        result.maps_.push_back(std::move(map));
    }
    return result;
}

const FieldMap* FieldMaps::find(std::string_view sectionName) const {
    for (const auto& m : maps_)
        if (m.name == sectionName) return &m;
    return nullptr;
}

std::string lisotrexInfPath() {
    return platform::moduleDirectory(reinterpret_cast<const void*>(&lisotrexInfPath)) + "Lisotrex.inf";
}

} // namespace lisotrex
