#include "dialog_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputDevice>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <cstring>

#include "allocator.h"
#include "exports.h"
#include "platform/codepage.h"
#include "provider_fixture.h"
#include "test_environment.h"

namespace faxtest {

// ---- the store, written directly

StoreWriter::StoreWriter(const std::string& path) {
    if (!library_.load("vqconv.so", VELMO_BIN_DIR "/")) std::abort();
    uint32_t error = 0;
    book_ = library_.function<vqconv::OpenAddressBookFn>("OpenAddressBook")(path.c_str(), &error);
    if (book_ == vqconv::kBadHandle) std::abort();
}

StoreWriter::~StoreWriter() { library_.function<vqconv::CloseAddressBookFn>("CloseAddressBook")(book_); }

void StoreWriter::rewrite(int32_t record, const std::vector<std::vector<uint8_t>>& elements) {
    std::vector<uint8_t> bytes;
    for (const auto& e : elements) bytes.insert(bytes.end(), e.begin(), e.end());
    bytes.resize(elements.size() * vqconv::kElementSlot);
    vqconv::ElementBuffer buffer{uint32_t(elements.size()), bytes.data()};
    uint32_t error = 0;
    if (!library_.function<vqconv::SetPropsFn>("SetProps")(book_, record, &error, &buffer)) std::abort();
}

int32_t StoreWriter::contact(const std::vector<std::pair<uint32_t, std::string>>& fields) {
    uint32_t error = 0;
    const int32_t id = library_.function<vqconv::CreateContactEntryFn>("CreateContactEntry")(book_, &error);
    std::vector<std::vector<uint8_t>> elements;
    for (const auto& [code, text] : fields) elements.push_back(fieldElement(code, sys(text)));
    rewrite(id, elements);
    return id;
}

int32_t StoreWriter::group(const std::string& name, const std::vector<StoredMember>& members) {
    uint32_t error = 0;
    const int32_t id = library_.function<vqconv::CreateGroupEntryFn>("CreateGroupEntry")(book_, &error);
    std::vector<std::vector<uint8_t>> elements{fieldElement(kCodeName, sys(name))};
    for (const StoredMember& m : members) elements.push_back(memberElement(m.record, m.flags));
    rewrite(id, elements);
    return id;
}

// ---- the fixture

void EntryDialogTest::SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "fax_dialog_test";
    static char* argv[] = {name, nullptr};
    (void)QInputDevice::devices();
    static QApplication app(argc, argv);
}

void EntryDialogTest::SetUp() {
    // Traditional Chinese texts kept in the code page the fax driver uses.
    setenv("VELMO_CODEPAGE", "CP950", 1);
    setenv("VELMO_PRINTER_DRIVER_DIR", VELMO_BIN_DIR "/", 1);
    velmo::test::freshRegistry();
    storePath_ = velmo::test::makeTempDir("store") + "/fax.sqlite3";
    support_ = object_ptr<TestSupport>(TestSupport::create());
    section_ = object_ptr<TestSection>(makeSection("Fax book", storePath_));
    ASSERT_EQ(ABProviderOpen(nullptr, support_.get(), section_.get(), 0, 0, &PDXAllocateBuffer, &PDXAllocateMore,
                             &PDXFreeBuffer, logon_.out()),
              S_OK);
    vqfax::setMessageHandler([this](QWidget*, int id, vqfax::MessageIcon icon) { messages_.push_back({id, icon}); });
    vqfax::setHelpOpener([this](const QUrl& url) { helpOpened_.push_back(url); });
}

void EntryDialogTest::TearDown() {
    vqfax::setMessageHandler({});
    vqfax::setHelpOpener({});
    vqfax::setWhatsThisShower({});
    logon_.reset();
    section_.reset();
    support_.reset();
    unsetenv("VELMO_CODEPAGE");
}

Bytes EntryDialogTest::rootId() { return makeId({0, 0, -1, 4}); }
Bytes EntryDialogTest::contactTemplate() { return makeId({0, 0, 0, 0x3006}); }
Bytes EntryDialogTest::groupTemplate() { return makeId({0, 0, INT32_MIN, 0x3008}); }
Bytes EntryDialogTest::contactId(int32_t record, int32_t parentRecord, uint32_t parentKind) {
    return makeId({parentRecord, parentKind, record, 6});
}
Bytes EntryDialogTest::groupId(int32_t record, int32_t parentRecord, uint32_t parentKind) {
    return makeId({parentRecord, parentKind, record, 8});
}

vqfax::EntryDialogContext EntryDialogTest::newContext(const Bytes& templateId) {
    vqfax::EntryDialogContext c;
    c.logon = logon_.get();
    c.containerId = rootId();
    c.templateId = templateId;
    return c;
}

vqfax::EntryDialogContext EntryDialogTest::editContext(const Bytes& entryId) {
    vqfax::EntryDialogContext c;
    c.logon = logon_.get();
    c.entryId = entryId;
    return c;
}

std::string EntryDialogTest::stored(const Bytes& entryId, ULONG tag) {
    Bytes id = entryId;
    ULONG type = 0;
    object_ptr<IUnknown> opened;
    if (FAILED(logon_->OpenEntry(ULONG(id.size()), reinterpret_cast<ENTRYID*>(id.data()), nullptr, 0, &type,
                                 opened.out())))
        return "(cannot open)";
    SPropTagArray tags{1, {tag}};
    ULONG n = 0;
    pdx::core::Buffer<SPropValue> v;
    if (FAILED(reinterpret_cast<IMAPIProp*>(opened.get())->GetProps(&tags, 0, &n, v.out()))) return "(no props)";
    return v[0].ulPropTag == tag && v[0].Value.lpszA ? platform::systemToUtf8(v[0].Value.lpszA) : std::string();
}

std::vector<vqfax::BookRow> EntryDialogTest::rowsOf(const Bytes& containerId) {
    std::vector<vqfax::BookRow> rows;
    EXPECT_EQ(vqfax::readContents(logon_.get(), containerId, rows), S_OK);
    return rows;
}

std::vector<std::pair<int32_t, uint32_t>> EntryDialogTest::storedMembers(int32_t group) {
    platform::Module library;
    if (!library.load("vqconv.so", VELMO_BIN_DIR "/")) std::abort();
    uint32_t error = 0;
    const vqconv::Handle book = library.function<vqconv::OpenAddressBookFn>("OpenAddressBook")(storePath_.c_str(), &error);
    auto getProps = library.function<vqconv::GetPropsFn>("GetProps");
    const int32_t count = getProps(book, group, &error, nullptr);
    std::vector<uint8_t> bytes(size_t(std::max(count, 1)) * vqconv::kElementSlot);
    vqconv::ElementBuffer buffer{uint32_t(std::max(count, 0)), bytes.data()};
    const int32_t written = count > 0 ? getProps(book, group, &error, &buffer) : 0;
    library.function<vqconv::CloseAddressBookFn>("CloseAddressBook")(book);
    std::vector<std::pair<int32_t, uint32_t>> members;
    size_t at = 0;
    for (int32_t i = 0; i < written; ++i) {
        uint32_t code;
        std::memcpy(&code, bytes.data() + at, 4);
        if (code == vqconv::kMemberCode) {
            int32_t record;
            uint32_t flags;
            std::memcpy(&record, bytes.data() + at + 4, 4);
            std::memcpy(&flags, bytes.data() + at + 8, 4);
            members.push_back({record, flags});
            at += sizeof(vqconv::MemberElement);
        } else {
            at += sizeof(vqconv::FieldElement);
        }
    }
    return members;
}

HRESULT EntryDialogTest::withModal(const std::function<void(QWidget*)>& script, const std::function<HRESULT()>& call,
                                   bool* closedByScript) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        ran = true;
        script(dialog);
        if (closedByScript) *closedByScript = !dialog->isVisible();
        if (dialog->isVisible()) static_cast<QDialog*>(dialog)->reject();
    });
    const HRESULT h = call();
    EXPECT_TRUE(ran) << "no dialog was shown";
    return h;
}

// ---- typing

void typeInto(QWidget* control, const QString& text) {
    if (auto* box = qobject_cast<QComboBox*>(control)) control = box->lineEdit();
    control->setFocus();
    for (QChar c : text) {
        if (c == u'\n') {
            QTest::keyClick(control, Qt::Key_Return);
        } else if (c.unicode() < 0x80) {
            QTest::keyClick(control, char(c.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(control, &commit);
        }
    }
}

QString shownText(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* box = qobject_cast<QComboBox*>(control)) return box->currentText();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control)) return text->toPlainText();
    return {};
}

std::string sys(const std::string& utf8) { return platform::utf8ToSystem(utf8); }

} // namespace faxtest
