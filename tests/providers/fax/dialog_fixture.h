#pragma once
// The entry dialogs' tests: a logon of the fax provider over the real store
// library and a fresh store, sample records written straight into the store,
// the dialogs' messages and help recorded, and ways to type into the
// dialogs as a user does.

#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "dialog_hooks.h"
#include "entry_book.h"
#include "entry_dialogs.h"
#include "fax_test_util.h"
#include "platform/module.h"
#include "vqconv.h"

class QWidget;

namespace faxtest {

using vqfax::Bytes;

// Writes sample records straight into a store file, in one open book.
class StoreWriter {
public:
    explicit StoreWriter(const std::string& path);
    ~StoreWriter();
    // A contact with these fields (field code, UTF-8 text); its record id.
    int32_t contact(const std::vector<std::pair<uint32_t, std::string>>& fields);
    // A group with a name and members (record id, flags).
    int32_t group(const std::string& name, const std::vector<StoredMember>& members);
    // Replaces a record's elements.
    void rewrite(int32_t record, const std::vector<std::vector<uint8_t>>& elements);

private:
    platform::Module library_;
    vqconv::Handle book_ = vqconv::kBadHandle;
};

// Field codes of the store.
enum FieldCode : uint32_t {
    kCodeName = 1,
    kCodePrefix = 2,
    kCodeGiven = 3,
    kCodeSurname = 5,
    kCodeCourtesy = 6,
    kCodeComment = 8,
    kCodeSecondFax = 272,
    kCodeSecondDescription = 273,
    kCodeCompany = 512,
    kCodeDepartment = 513,
    kCodeFirstFax = 528,
    kCodeFirstDescription = 529,
};

class EntryDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Identifiers of the logon's provider.
    static Bytes rootId();
    static Bytes contactTemplate();
    static Bytes groupTemplate();
    static Bytes contactId(int32_t record, int32_t parentRecord = -1, uint32_t parentKind = 4);
    static Bytes groupId(int32_t record, int32_t parentRecord = -1, uint32_t parentKind = 4);

    // Dialog contexts for a new entry and for an edit.
    vqfax::EntryDialogContext newContext(const Bytes& templateId);
    vqfax::EntryDialogContext editContext(const Bytes& entryId);

    // The stored text of a property of an entry, as UTF-8 ("" when absent).
    std::string stored(const Bytes& entryId, ULONG tag);
    // The rows of the root or a group.
    std::vector<vqfax::BookRow> rowsOf(const Bytes& containerId = {});
    // The members of a group in the store: (record, flags).
    std::vector<std::pair<int32_t, uint32_t>> storedMembers(int32_t group);

    // Runs `script` on the modal dialog the call shows, then closes it if the
    // script left it open; `closedByScript` tells which.
    HRESULT withModal(const std::function<void(QWidget*)>& script, const std::function<HRESULT()>& call,
                      bool* closedByScript = nullptr);

    std::string storePath_;
    object_ptr<TestSupport> support_;
    object_ptr<TestSection> section_;
    object_ptr<IAddrBook> logon_;
    std::vector<std::pair<int, vqfax::MessageIcon>> messages_;
    std::vector<QUrl> helpOpened_;
};

// Typing as a user does: ASCII as key presses, other characters as committed
// input method text; line breaks as Return.
void typeInto(QWidget* control, const QString& text);
// The text a field control shows.
QString shownText(QWidget* control);
// UTF-8 text in the system code page and back.
std::string sys(const std::string& utf8);

} // namespace faxtest
