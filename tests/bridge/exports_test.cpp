// The bridge's exports as the program calls them: vqbridge.so loaded by
// name from an installation folder, vqcore loaded by the bridge beside it.

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <cstring>
#include <functional>

#include "bridge_world.h"
#include "sample_book.h"
#include "test_environment.h"
#include "vqbridge.h"
#include "widget_test.h"

using namespace bridgetest;
using namespace vqbridge;

namespace {


constexpr HRESULT kLogonFailed = HRESULT(0x80040111);

struct Application : lisotrex::test::WidgetTest {
    using WidgetTest::app;
};

// Records the caller owns, as the program allocates them.
struct Records {
    std::vector<RecipientRecord> records;
    std::vector<uint8_t> block;
    explicit Records(uint32_t capacity) : records(capacity), block(recipientArraySize(capacity)) {
        std::memset(records.data(), 0, sizeof(RecipientRecord) * capacity);
        auto* a = array();
        a->capacity = capacity;
        for (uint32_t i = 0; i < capacity; ++i) a->records[i] = &records[i];
    }
    RecipientArray* array() { return reinterpret_cast<RecipientArray*>(block.data()); }
    std::vector<std::string> texts(uint32_t count) const {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < count; ++i) out.push_back(std::string(records[i].displayName) + " - " + records[i].address);
        return out;
    }
};

// While alive, works whatever modal dialog comes up with `step`.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget*)> step) : step_(std::move(step)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible()) step_(modal);
        });
        timer_.start(5);
    }

private:
    std::function<void(QWidget*)> step_;
    QTimer timer_;
};

void click(QWidget* dialog, const char* name) {
    if (auto* b = dialog->findChild<QAbstractButton*>(QString::fromLatin1(name))) b->click();
}

// In dialog 103: every row of the named container, added, then OK (or Cancel).
std::function<void(QWidget*)> chooseAll(const QString& container, bool ok, QStringList* seen = nullptr) {
    return [=](QWidget* d) {
        if (d->objectName() != "dialog_103") return;
        auto* tree = d->findChild<QTreeWidget*>("1021");
        const auto found = tree->findItems(container, Qt::MatchExactly | Qt::MatchRecursive);
        if (!found.isEmpty()) tree->setCurrentItem(found.front());
        d->findChild<QTreeView*>("1022")->selectAll();
        click(d, "1043");
        if (seen) *seen << d->windowTitle();
        click(d, ok ? "1" : "2");
    };
}

class Exports : public testing::Test {
protected:
    platform::Module bridge;
    OpenAddressBookFn open = nullptr;
    CloseAddressBookFn close = nullptr;
    DisplayRecipSelectFn select = nullptr;
    DisplayAdminProfilesFn admin = nullptr;
    GetLastPDXErrorFn lastError = nullptr;
    CreateProfileFn createProfile = nullptr;
    DeleteVABServiceFn deleteFax = nullptr;
    AddVABServiceFn addFax = nullptr;
    SelectRecipientsFn selectHeadless = nullptr;
    Core core;

    static void SetUpTestSuite() { Application::app(); }
    void SetUp() override {
        velmo::test::freshRegistry();
        useBook(kSampleBook);
        ASSERT_TRUE(bridge.load("vqbridge.dll", installFolder())) << bridge.error();
        open = bridge.function<OpenAddressBookFn>(kOpenAddressBook);
        close = bridge.function<CloseAddressBookFn>(kCloseAddressBook);
        select = bridge.function<DisplayRecipSelectFn>(kDisplayRecipSelect);
        admin = bridge.function<DisplayAdminProfilesFn>(kDisplayAdminProfiles);
        lastError = bridge.function<GetLastPDXErrorFn>(kGetLastPDXError);
        createProfile = bridge.function<CreateProfileFn>(kCreateProfile);
        deleteFax = bridge.function<DeleteVABServiceFn>(kDeleteVABService);
        addFax = bridge.function<AddVABServiceFn>(kAddVABService);
        selectHeadless = bridge.function<SelectRecipientsFn>(kSelectRecipients);
        ASSERT_TRUE(open && close && select && admin && lastError && createProfile && deleteFax && addFax &&
                    selectHeadless);
        ASSERT_TRUE(core.load());
    }
    // The program's profile, as the program creates it: "WAB", not to be deleted.
    int32_t createProgramProfile() {
        ServiceDescriptor wab{};
        std::strcpy(wab.serviceName, "WAB");
        wab.flags = kServiceNoDelete;
        return createProfile(kProgramProfile, 1, &wab);
    }
    // (service name, display name, resource flags) of each service of a profile.
    std::vector<std::tuple<std::string, std::string, uint32_t>> services(const char* profile) {
        std::vector<std::tuple<std::string, std::string, uint32_t>> out;
        pdx::object_ptr<pdx::IPDXProfAdmin> a;
        pdx::object_ptr<pdx::IPDXServiceAdmin> s;
        pdx::object_ptr<pdx::IMAPITable> table;
        if (core.adminProfiles(0, a.out()) || a->AdminServices(profile, 0, s.out()) || s->GetServiceTable(0, table.out()))
            return out;
        struct { pdx::ULONG c; pdx::ULONG t[3]; } cols = {3, {pdx::PR_SERVICE_NAME, pdx::PR_DISPLAY_NAME, pdx::PR_RESOURCE_FLAGS}};
        table->SetColumns(reinterpret_cast<pdx::SPropTagArray*>(&cols), 0);
        for (;;) {
            pdx::rowset_ptr rows(core.freeProws);
            if (table->QueryRows(1, 0, rows.out()) || rows->cRows == 0) break;
            const pdx::SPropValue* v = rows->aRow[0].lpProps;
            out.emplace_back(v[0].Value.lpszA, v[1].ulPropTag == pdx::PR_DISPLAY_NAME ? v[1].Value.lpszA : "",
                             v[2].ulPropTag == pdx::PR_RESOURCE_FLAGS ? v[2].Value.ul : 0);
        }
        return out;
    }
};

const std::vector<std::string> kAllOfSales = {
    "Ann Lee - 02-1111-0000",        "Ann Lee - 02-2222-0000", "Ann Lee - ann@example.com",
    "Bob Wu - +886-2-5555-0000",     "Carol Chen - carol@example.com", "Dan Ho - 03-3333-0000",
    "Eve Lin - 04-4444-0000",        "Eve Lin - 05-5555-0000", "Eve Lin - eve@example.com",
    "Frank Yu - 06-6666-0000",       "Frank Yu - frank@example.com"};

} // namespace

TEST_F(Exports, CreateProfileNeedsANameAndReportsThroughTheModuleStatus) {
    EXPECT_EQ(createProfile("", 0, nullptr), 0);
    EXPECT_EQ(lastError(nullptr), pdx::E_INVALIDARG);
    EXPECT_EQ(createProfile(nullptr, 0, nullptr), 0);
    EXPECT_EQ(lastError(nullptr), pdx::E_INVALIDARG);

    EXPECT_EQ(open(0, kProgramProfile, kOpenProgramProfile), nullptr);
    EXPECT_EQ(lastError(nullptr), kLogonFailed) << "the program creates its profile on this status";
    EXPECT_EQ(createProgramProfile(), 1);
    EXPECT_EQ(lastError(nullptr), 0);
    const auto made = services(kProgramProfile);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(std::get<0>(made[0]), "WAB");
    EXPECT_TRUE(std::get<2>(made[0]) & pdx::SERVICE_NO_DELETE) << "descriptor flag 1 becomes resource flag 0x10000";
    EXPECT_EQ(createProgramProfile(), 0) << "a profile that exists is not made again";
    EXPECT_LT(lastError(nullptr), 0);

    void* handle = open(0, kProgramProfile, kOpenProgramProfile);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(lastError(handle), 0);
    EXPECT_EQ(close(handle), 1);
}

TEST_F(Exports, CloseAndGetLastErrorNeverTouchForeignPointers) {
    EXPECT_EQ(close(nullptr), 1);
    {
        // Twelve writable bytes that the bridge did not hand out.
        uint32_t foreign[3] = {0xDEADBEEF, 0xDEADBEEF, 0x12345678};
        EXPECT_EQ(close(foreign), 1);
        EXPECT_EQ(foreign[0], 0xDEADBEEFu);
        createProfile("", 0, nullptr);
        EXPECT_EQ(lastError(foreign), pdx::E_INVALIDARG) << "the module's status, not the bytes";
        uint32_t count = 0;
        Records records(2);
        EXPECT_EQ(select(foreign, 0, &count, records.array()), -1);
        EXPECT_EQ(selectHeadless(foreign, nullptr, &count, records.array()), pdx::E_INVALIDARG);
    }
    ASSERT_EQ(createProgramProfile(), 1);
    void* handle = open(0, kProgramProfile, kOpenProgramProfile);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(close(handle), 1);
    EXPECT_EQ(close(handle), 1) << "a closed handle is foreign from then on";
}

TEST_F(Exports, DisplayRecipSelectWithoutHandleUsesTheDefaultProfile) {
    uint32_t count = 0;
    Records records(20);
    EXPECT_EQ(select(nullptr, 0, &count, records.array()), -1) << "no default profile";
    ASSERT_EQ(core.createProfile("Everyday", {"WAB"}, true), 0);
    QStringList seen;
    {
        ModalDriver driver(chooseAll("Sales", true, &seen));
        EXPECT_EQ(select(nullptr, 0, &count, records.array()), 1);
    }
    EXPECT_EQ(seen, QStringList{"從通訊錄選擇匯入的項目。"});
    EXPECT_EQ(records.texts(count), kAllOfSales);
    EXPECT_EQ(lastError(nullptr), 0);
    EXPECT_EQ(records.records[0].kind, kFaxRecipient);
    EXPECT_EQ(records.records[2].kind, kEmailRecipient);
    EXPECT_STREQ(records.records[1].faxText1, "AnnB1");
    EXPECT_STREQ(records.records[1].givenName, "Ann");
    EXPECT_STREQ(records.records[1].company, "Acme");
}

TEST_F(Exports, CancelKeepsTheRecordsAndOkReplacesThem) {
    ASSERT_EQ(createProgramProfile(), 1);
    void* handle = open(0, kProgramProfile, kOpenProgramProfile);
    ASSERT_NE(handle, nullptr);
    uint32_t count = 0;
    Records records(11);
    {
        ModalDriver driver(chooseAll("Sales", false));
        EXPECT_EQ(select(handle, 0, &count, records.array()), 1);
    }
    EXPECT_EQ(count, 0u) << "a cancelled selection keeps the count";
    EXPECT_EQ(records.records[0].displayName[0], 0);

    // Two records filled on input are pre-selected; OK writes the whole list.
    std::strcpy(records.records[0].displayName, "Zed");
    std::strcpy(records.records[0].address, "999");
    std::strcpy(records.records[1].displayName, "Ann Lee");
    std::strcpy(records.records[1].address, "ann@example.com");
    records.records[1].kind = kEmailRecipient;
    count = 2;
    {
        ModalDriver driver(chooseAll("East", true));
        EXPECT_EQ(select(handle, 0, &count, records.array()), 1);
    }
    EXPECT_EQ(records.texts(count),
              (std::vector<std::string>{"Ann Lee - 02-1111-0000", "Ann Lee - ann@example.com", "Eve Lin - 04-4444-0000", "Eve Lin - 05-5555-0000",
                                        "Eve Lin - eve@example.com", "Frank Yu - 06-6666-0000",
                                        "Frank Yu - frank@example.com", "Zed - 999"}))
        << "East's list brings Ann's primary fax too; her e-mail was there already";
    close(handle);
}

TEST_F(Exports, HeadlessSelectionGivesWhatTheDialogGives) {
    ASSERT_EQ(createProgramProfile(), 1);
    void* handle = open(0, kProgramProfile, kOpenProgramProfile);
    ASSERT_NE(handle, nullptr);
    uint32_t count = 0;
    Records byDialog(9999), headless(9999);
    {
        ModalDriver driver(chooseAll("Sales", true));
        ASSERT_EQ(select(handle, 0, &count, byDialog.array()), 1);
    }
    const std::vector<std::string> dialogTexts = byDialog.texts(count);
    count = 0;
    ASSERT_EQ(selectHeadless(handle, "通訊錄/Sales", &count, headless.array()), 0);
    EXPECT_EQ(headless.texts(count), dialogTexts);
    EXPECT_EQ(std::memcmp(byDialog.records.data(), headless.records.data(), sizeof(RecipientRecord) * count), 0)
        << "byte for byte";

    uint32_t none = 0;
    Records small(5);
    EXPECT_EQ(selectHeadless(handle, "通訊錄/Nowhere", &none, small.array()), pdx::MAPI_E_NOT_FOUND);
    EXPECT_EQ(selectHeadless(handle, "通訊錄/Sales", &none, small.array()), pdx::MAPI_E_TABLE_TOO_BIG);
    EXPECT_EQ(lastError(nullptr), pdx::MAPI_E_TABLE_TOO_BIG);
    EXPECT_EQ(none, 0u);
    EXPECT_EQ(small.records[0].displayName[0], 0) << "nothing is written when the recipients do not fit";
    EXPECT_EQ(selectHeadless(handle, "通訊錄", &none, small.array()), 0) << "the provider's root holds no entries";
    EXPECT_EQ(none, 0u);
    Records byDefault(9999);
    EXPECT_EQ(selectHeadless(handle, nullptr, &none, byDefault.array()), 0);
    EXPECT_EQ(byDefault.texts(none), dialogTexts) << "the default directory is the first that holds recipients";
    EXPECT_EQ(selectHeadless(handle, "通訊錄/Sales", nullptr, small.array()), pdx::E_INVALIDARG);
    close(handle);
}

TEST_F(Exports, ProfileAdministrationKeepsOpenAddressBooksWorking) {
    ASSERT_EQ(createProgramProfile(), 1);
    void* handle = open(0, kProgramProfile, kOpenProgramProfile);
    ASSERT_NE(handle, nullptr);
    // These exports unload vqcore when they are done, but not from under an open address book.
    EXPECT_EQ(createProfile("Another", 0, nullptr), 1);
    char name[64];
    EXPECT_EQ(deleteFax(nullptr, 0, "Another", 0x10, name), 0);
    uint32_t count = 0;
    Records records(20);
    EXPECT_EQ(selectHeadless(handle, "通訊錄/Sales/East", &count, records.array()), 0);
    EXPECT_EQ(count, 7u);
    close(handle);
}

TEST_F(Exports, FaxServiceTakenOutAndPutBack) {
    // Without the fax service: success, and an empty name.
    ASSERT_EQ(createProgramProfile(), 1);
    char name[64];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(deleteFax(nullptr, 0, kProgramProfile, 0x10, name), 0);
    EXPECT_STREQ(name, "");

    // With it, the profile does not open; without it, it does; then it comes back under its name.
    ASSERT_EQ(core.createProfile("Faxing", {"WAB", "ZELT_ABS"}), 0);
    EXPECT_EQ(open(0, "Faxing", kOpenProgramProfile), nullptr);
    EXPECT_LT(lastError(nullptr), 0) << "the fax provider's own failure";
    EXPECT_NE(lastError(nullptr), kLogonFailed);
    EXPECT_EQ(deleteFax(nullptr, 0, "Faxing", 0x10, name), 0);
    EXPECT_STREQ(name, "Test fax book");
    EXPECT_EQ(services("Faxing").size(), 1u);
    void* handle = open(0, "Faxing", kOpenProgramProfile);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(addFax(handle, 0, "Faxing", 0x10, name), 0);
    const auto back = services("Faxing");
    ASSERT_EQ(back.size(), 2u);
    const auto fax = std::find_if(back.begin(), back.end(), [](const auto& s) { return std::get<0>(s) == "ZELT_ABS"; });
    ASSERT_NE(fax, back.end());
    EXPECT_EQ(std::get<1>(*fax), "Test fax book");
    close(handle);
}

TEST_F(Exports, DisplayAdminProfilesCountsCancelAsSuccess) {
    ASSERT_EQ(createProgramProfile(), 1);
    QStringList titles;
    {
        ModalDriver driver([&](QWidget* d) {
            titles << d->windowTitle();
            click(d, "2");
        });
        EXPECT_EQ(admin(0, kProgramProfile), 1);
    }
    EXPECT_EQ(titles, QStringList{"通訊錄"});
    EXPECT_EQ(lastError(nullptr), pdx::MAPI_E_USER_CANCEL);
    EXPECT_EQ(admin(0, "No such profile"), 0);
}
