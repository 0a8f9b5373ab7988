#pragma once
// Field maps: for each foreign address book export, the column or field names
// the importers look for, read from "Lisotrex.inf" beside the program.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace lisotrex {

enum class FieldKey {
    FirstName,
    LastName,
    AltFullNameSort,
    DisplayName,
    Company,
    Department,
    FaxNumber1,
    FaxNumber2,
    EmailProperty,
    Email1,
    Email2,
};
inline constexpr size_t kFieldKeyCount = 11;
std::string_view fieldKeyName(FieldKey key);

inline constexpr std::string_view kExchange5Section = "Microsoft Exchange 5.X";
inline constexpr std::string_view kExchange2000Section = "Microsoft Exchange 2000";
inline constexpr std::string_view kNotesSection = "Lotus Notes";

struct FieldMap {
    std::string name; // the section name
    std::array<std::string, kFieldKeyCount> values;
    const std::string& value(FieldKey key) const { return values[static_cast<size_t>(key)]; }
};

class FieldMaps {
public:
    // Builds the three maps (5.X, 2000, Notes, in that order) from the file;
    // a missing file, section or key gives the defaults.
    static FieldMaps load(const std::string& infPath);
    // Exact, case-sensitive section name; null when absent.
    const FieldMap* find(std::string_view sectionName) const;
    const std::vector<FieldMap>& maps() const { return maps_; }

private:
    std::vector<FieldMap> maps_;
};

// "<folder of the running program>/Lisotrex.inf".
std::string lisotrexInfPath();

} // namespace lisotrex
