#include <mutex>
#include <string_view>

#include <QApplication>

#include "contact_dialog.h"
#include "platform/codepage.h"
#include "platform/string_table.h"
#include "wab_tags.h"

std::string_view velmo_string_table_wab32();

namespace wab32 {

using namespace pdx;

namespace {

std::mutex g_lock;
ContactEditor g_editor;

struct FieldTag {
    std::string ContactFields::*field;
    ULONG tag;
};
const FieldTag kFields[] = {
    {&ContactFields::displayName, PR_DISPLAY_NAME}, {&ContactFields::given, PR_GIVEN_NAME},
    {&ContactFields::middle, PR_MIDDLE_NAME},       {&ContactFields::surname, PR_SURNAME},
    {&ContactFields::prefix, PR_DISPLAY_NAME_PREFIX}, {&ContactFields::company, PR_COMPANY_NAME},
    {&ContactFields::department, PR_DEPARTMENT_NAME}, {&ContactFields::businessFax, PR_BUSINESS_FAX_NUMBER},
    {&ContactFields::homeFax, PR_HOME_FAX_NUMBER},  {&ContactFields::primaryFax, PR_PRIMARY_FAX_NUMBER},
    {&ContactFields::email, PR_EMAIL_ADDRESS},      {&ContactFields::note, PR_COMMENT},
};

bool listField(ULONG tag) { return tag == PR_DISPLAY_NAME || tag == PR_COMMENT; }

} // namespace

DialogResult runContactDialog(uintptr_t parent, ContactFields& fields, bool list);

void setContactEditor(ContactEditor editor) {
    std::lock_guard g(g_lock);
    g_editor = std::move(editor);
}

DialogResult editContact(uintptr_t parent, ContactFields& fields, bool list) {
    ContactEditor editor;
    {
        std::lock_guard g(g_lock);
        editor = g_editor;
    }
    if (editor) return editor(parent, fields, list);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return DialogResult::Unavailable;
    return runContactDialog(parent, fields, list);
}

ContactFields fieldsFrom(const common::PropArray& props) {
    ContactFields f;
    for (const FieldTag& ft : kFields) f.*ft.field = platform::systemToUtf8(props.string(ft.tag));
    return f;
}

void fieldsTo(const ContactFields& fields, bool list, common::PropArray& values, std::vector<ULONG>& deleted) {
    for (const FieldTag& ft : kFields) {
        if (list && !listField(ft.tag)) continue;
        const std::string& text = fields.*ft.field;
        if (text.empty() && ft.tag != PR_DISPLAY_NAME) deleted.push_back(ft.tag);
        else values.setString(ft.tag, platform::utf8ToSystem(text, '?'));
    }
    if (!list && !fields.email.empty()) values.setString(PR_ADDRTYPE, "SMTP");
}

const std::string& dialogText(int id) {
    static const platform::StringTable table = platform::StringTable::parse(velmo_string_table_wab32());
    return table.text(id);
}

} // namespace wab32
