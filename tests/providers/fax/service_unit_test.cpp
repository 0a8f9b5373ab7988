// The service entry, the configuration dialog (real widgets, offscreen) and
// the seam where the entry dialogs plug into NewEntry and Details.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QInputDevice>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "allocator.h"
#include "config_dialog.h"
#include "entry_dialogs.h"
#include "exports.h"
#include "fax_strings.h"
#include "fax_test_util.h"
#include "platform/typing_limit.h"

using namespace pdx;
using namespace faxtest;
using pdx::core::Buffer;

namespace {

class ServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "fax_service_test";
        static char* argv[] = {name, nullptr};
        (void)QInputDevice::devices();
        static QApplication app(argc, argv);
    }
    void SetUp() override {
        fake_ = &useFake(FakeVariant::Full, fakeHolder_);
        vqfax::setMessageHandler([this](QWidget*, int id, vqfax::MessageIcon icon) {
            messages_.push_back({id, icon});
        });
    }
    void TearDown() override {
        vqfax::setMessageHandler({});
        vqfax::setHelpOpener({});
        vqfax::setWhatsThisShower({});
        vqfax::setConfigDialogRunner({});
        vqfax::setEntryDialogs(nullptr);
    }
    HRESULT serviceEntry(ULONG flags, ULONG context) {
        return ABServiceEntry(nullptr, 0, flags, context, 0, nullptr, section_.get(), support_.get());
    }

    platform::Module fakeHolder_;
    fakeconv::State* fake_ = nullptr;
    object_ptr<TestSupport> support_{TestSupport::create()};
    object_ptr<TestSection> section_{makeSection("Office")};
    std::vector<std::pair<int, vqfax::MessageIcon>> messages_;
};

} // namespace

TEST_F(ServiceTest, ConfigurationDialogShowsTheStoredNameAndWritesItTrimmed) {
    vqfax::ConfigDialog dialog(section_.get(), &PDXFreeBuffer, nullptr);
    EXPECT_EQ(dialog.windowTitle().toStdString(), vqfax::loadString(105));
    EXPECT_EQ(dialog.nameEdit()->text(), "Office");
    EXPECT_EQ(platform::typingLimit(dialog.nameEdit()), 64);
    for (void* answer : section_->handedOut) EXPECT_FALSE(pdx::core::isLiveRoot(answer));

    dialog.nameEdit()->setText(QString::fromUtf8("  傳真 branch  "));
    dialog.findChild<QPushButton*>("1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(*section_->text(PR_DISPLAY_NAME), "傳真 branch");
    EXPECT_EQ(*section_->text(PR_FAX_AB_FILE_PATH), "");
    EXPECT_EQ(section_->saves, (std::vector<ULONG>{2}));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ServiceTest, ConfigurationDialogStaysOpenOnABlankNameOrAFailedWrite) {
    vqfax::ConfigDialog dialog(section_.get(), &PDXFreeBuffer, nullptr);
    dialog.nameEdit()->setText("   ");
    dialog.accept();
    section_->setPropsResult = E_ACCESSDENIED;
    dialog.nameEdit()->setText("Branch");
    dialog.accept();
    section_->setPropsResult = S_OK;
    section_->saveResult = MAPI_E_DISK_ERROR;
    dialog.accept();
    EXPECT_EQ(dialog.result(), 0); // never ended
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[0], std::make_pair(2, vqfax::MessageIcon::Information));
    EXPECT_EQ(messages_[1], std::make_pair(3, vqfax::MessageIcon::Stop));
    EXPECT_EQ(messages_[2], std::make_pair(3, vqfax::MessageIcon::Stop));
}

TEST_F(ServiceTest, ConfigurationDialogHasContextHelpOnTheNameAndItsLabel) {
    std::vector<QUrl> opened;
    std::vector<QString> shown;
    vqfax::setHelpOpener([&](const QUrl& url) { opened.push_back(url); });
    vqfax::setWhatsThisShower([&](QWidget*, const QPoint&, const QString& text) { shown.push_back(text); });
    vqfax::ConfigDialog dialog(section_.get(), &PDXFreeBuffer, nullptr);
    QTest::keyClick(dialog.nameEdit(), Qt::Key_F1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].fragment(), "0x0F01");
    EXPECT_TRUE(QFileInfo(opened[0].toLocalFile()).isFile()) << opened[0].toLocalFile().toStdString();
    EXPECT_TRUE(opened[0].toLocalFile().endsWith("/help/vqcore.html"));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(10, 10));
    QApplication::sendEvent(dialog.findChild<QWidget*>("2002"), &menu);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].toStdString(), vqfax::loadString(3841));
}

TEST_F(ServiceTest, ConfigureRunsTheModalDialogAndReportsCancel) {
    // The real modal dialog, answered when it shows.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<vqfax::ConfigDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialog->nameEdit()->setText("Night desk");
        dialog->findChild<QPushButton*>("1")->click();
    });
    EXPECT_EQ(serviceEntry(0, MSG_SERVICE_CONFIGURE), S_OK);
    EXPECT_EQ(*section_->text(PR_DISPLAY_NAME), "Night desk");

    QTimer::singleShot(0, [] {
        if (auto* dialog = QApplication::activeModalWidget()) dialog->findChild<QPushButton*>("2")->click();
    });
    EXPECT_EQ(serviceEntry(0, MSG_SERVICE_CONFIGURE), MAPI_E_USER_CANCEL);
}

TEST_F(ServiceTest, CreationRunsTheConverterAndShowsTheDialogOnlyWhenAllowed) {
    int dialogs = 0;
    vqfax::setConfigDialogRunner([&](ULONG_PTR, IProfSect*, FreeBufferFn) {
        ++dialogs;
        return vqfax::kDialogOk;
    });
    EXPECT_EQ(serviceEntry(0, MSG_SERVICE_CREATE), S_OK);
    EXPECT_EQ(fake_->count("CnvAddressBook"), 1u);
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(serviceEntry(SERVICE_UI_ALWAYS, MSG_SERVICE_CREATE), S_OK);
    EXPECT_EQ(serviceEntry(SERVICE_UI_ALLOWED, MSG_SERVICE_CREATE), S_OK);
    EXPECT_EQ(fake_->count("CnvAddressBook"), 3u);
    EXPECT_EQ(dialogs, 2);
    // A converter that fails changes nothing.
    fake_->failures["CnvAddressBook"] = {3};
    EXPECT_EQ(serviceEntry(0, MSG_SERVICE_CREATE), S_OK);
    // No library at all: the service is still made.
    setenv("VELMO_PRINTER_DRIVER_DIR", "/nonexistent/", 1);
    EXPECT_EQ(serviceEntry(0, MSG_SERVICE_CREATE), S_OK);
}

// ---- NewEntry and Details hand their work to the entry dialogs

namespace {

struct ScriptedDialogs : vqfax::EntryDialogs {
    std::vector<std::string> calls;
    std::vector<vqfax::EntryDialogContext> contexts;
    ULONG recordType = PR_DEF_CREATE_DL;
    HRESULT chooseRecordType(ULONG_PTR, ULONG& tag) override {
        calls.push_back("record type");
        if (!recordType) return MAPI_E_USER_CANCEL;
        tag = recordType;
        return S_OK;
    }
    HRESULT editPerson(const vqfax::EntryDialogContext& c) override {
        calls.push_back("person");
        contexts.push_back(c);
        return S_OK;
    }
    HRESULT editGroup(const vqfax::EntryDialogContext& c) override {
        calls.push_back("group");
        contexts.push_back(c);
        return S_OK;
    }
};

std::vector<uint8_t> idOf(int32_t parentRecord, uint32_t parentKind, int32_t record, uint32_t kind) {
    std::vector<uint8_t> id(40, 0);
    std::memset(id.data() + 4, 0x5A, 16);
    std::memcpy(id.data() + 24, &parentRecord, 4);
    std::memcpy(id.data() + 28, &parentKind, 4);
    std::memcpy(id.data() + 32, &record, 4);
    std::memcpy(id.data() + 36, &kind, 4);
    return id;
}

ENTRYID* raw(std::vector<uint8_t>& id) { return reinterpret_cast<ENTRYID*>(id.data()); }

} // namespace

TEST_F(ServiceTest, NewEntryAndDetailsPickTheDialogByKind) {
    object_ptr<IAddrBook> logon;
    ASSERT_EQ(ABProviderOpen(nullptr, support_.get(), section_.get(), 0, 0, &PDXAllocateBuffer, &PDXAllocateMore,
                             &PDXFreeBuffer, logon.out()),
              S_OK);
    ULONG cb = 0;
    ENTRYID* made = nullptr;
    auto contactTemplate = idOf(0, 0, 0, 0x3006);
    auto rootId = idOf(0, 0, -1, 4);
    auto contact = idOf(-1, 4, 1, 6);

    ScriptedDialogs dialogs;
    vqfax::setEntryDialogs(&dialogs);
    EXPECT_EQ(logon->NewEntry(7, 0, 40, raw(rootId), 40, raw(contactTemplate), &cb, &made), S_OK);
    ASSERT_EQ(dialogs.contexts.size(), 1u);
    EXPECT_EQ(dialogs.contexts[0].templateId, contactTemplate);
    EXPECT_EQ(dialogs.contexts[0].containerId, rootId);
    EXPECT_EQ(dialogs.contexts[0].ulUIParam, 7u);
    EXPECT_EQ(dialogs.contexts[0].cbNewEntryId, &cb);

    // No template: the record type dialog chooses, the root's template follows.
    EXPECT_EQ(logon->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &made), S_OK);
    EXPECT_EQ(dialogs.calls, (std::vector<std::string>{"person", "record type", "group"}));
    EXPECT_EQ(dialogs.contexts[1].templateId, idOf(0, 0, INT32_MIN, 0x3008));
    dialogs.recordType = 0;
    EXPECT_EQ(logon->NewEntry(0, 0, 0, nullptr, 0, nullptr, &cb, &made), MAPI_E_USER_CANCEL);

    // Only the root takes new entries; a template must be one.
    EXPECT_EQ(logon->NewEntry(0, 0, 40, raw(contact), 40, raw(contactTemplate), &cb, &made), MAPI_E_UNKNOWN_ENTRYID);
    EXPECT_EQ(logon->NewEntry(0, 0, 0, nullptr, 40, raw(contact), &cb, &made), MAPI_E_UNKNOWN_ENTRYID);

    ULONG_PTR window = 9;
    auto group = idOf(-1, 4, INT32_MIN | 1, 8);
    dialogs.contexts.clear();
    EXPECT_EQ(logon->Details(&window, nullptr, nullptr, 40, raw(group), nullptr, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(dialogs.contexts.size(), 1u);
    EXPECT_EQ(dialogs.contexts[0].entryId, group);
    EXPECT_EQ(dialogs.contexts[0].ulUIParam, 9u);
    EXPECT_EQ(logon->Details(&window, nullptr, nullptr, 40, raw(rootId), nullptr, nullptr, nullptr, 0),
              MAPI_E_INVALID_ENTRYID);
}
