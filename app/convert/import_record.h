#pragma once
// One source record of the Exchange, Notes and PDX importers, with the
// capacities (bytes including the NUL) its fields have always had.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace lisotrex {

// A text field of fixed capacity: longer values keep their first capacity - 1 bytes.
template <size_t Capacity>
class BoundedText {
public:
    static constexpr size_t kCapacity = Capacity;
    // The part of v the field keeps.
    static std::string_view bound(std::string_view v) { return v.substr(0, std::min(v.size(), Capacity - 1)); }
    void assign(std::string_view v) { text_.assign(bound(v)); }
    // Keeps the room the text had: one record read row after row allocates once.
    void clear() { text_.clear(); }
    const std::string& str() const { return text_; }
    bool empty() const { return text_.empty(); }

private:
    std::string text_;
};

// The texts of one record as the conversion reads them, each already within
// its field's capacity; they may lie in the record or in a reader's buffer.
struct ImportRecordView {
    std::string_view displayName, givenName, surname, fax1, fax2, email, department, company;
};

struct ImportRecord {
    BoundedText<128> displayName;
    BoundedText<64> givenName;
    BoundedText<64> surname;
    BoundedText<64> furtherName; // Notes "AltFullNameSort"; read, never used
    BoundedText<256> fax1;
    BoundedText<256> fax2;
    BoundedText<256> email;
    BoundedText<256> department;
    BoundedText<256> company;

    void clear() {
        for (auto* t : {&givenName, &surname, &furtherName}) t->clear();
        for (auto* t : {&fax1, &fax2, &email, &department, &company}) t->clear();
        displayName.clear();
    }
    ImportRecordView view() const {
        return {displayName.str(), givenName.str(), surname.str(), fax1.str(),
                fax2.str(),        email.str(),     department.str(), company.str()};
    }
};

} // namespace lisotrex
