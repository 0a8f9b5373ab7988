#pragma once
// The component's contact dialog, shown by NewEntry and Details: name parts,
// company, department, the three fax numbers, e-mail address and note (a
// list shows its name and note only). Tests put a scripted editor in its place.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pdx/types.h"
#include "pdx_common/prop_array.h"

namespace wab32 {

// Texts as UTF-8.
struct ContactFields {
    std::string displayName, given, middle, surname, prefix;
    std::string company, department;
    std::string businessFax, homeFax, primaryFax;
    std::string email, note;
};

enum class DialogResult { Ok, Cancel, Unavailable };

using ContactEditor = std::function<DialogResult(uintptr_t parent, ContactFields& fields, bool list)>;

// An editor used instead of the dialog (tests); empty restores the dialog.
void setContactEditor(ContactEditor editor);
// The dialog, when the process has a QApplication; Unavailable otherwise.
DialogResult editContact(uintptr_t parent, ContactFields& fields, bool list);

// The dialog showing a contact that cannot be changed here (a vCard file's
// card); Unavailable without a QApplication.
DialogResult showContact(uintptr_t parent, const ContactFields& fields);

ContactFields fieldsFrom(const pdx::common::PropArray& props);
// The fields as SetProps values; empty fields become deletions.
void fieldsTo(const ContactFields& fields, bool list, pdx::common::PropArray& values, std::vector<pdx::ULONG>& deleted);

// The dialog's text with that string-table id.
const std::string& dialogText(int id);

} // namespace wab32
