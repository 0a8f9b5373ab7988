// IAddrBook::Address: the select-names dialog driven for real (offscreen),
// and the recipients it hands back.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "address_dialog_widget.h"
#include "pdx/pdx.h"
#include "pdx_common/prop_copy.h"
#include "session.h"
#include "test_environment.h"
#include "wab_tags.h"
#include "wab_test_util.h"

using namespace pdx;
using namespace wab32;

namespace {

// One application per process: the contact dialog's tests may have made it.
void app() {
    static int argc = 1;
    static char name[] = "wab32_address_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

const char* const kBook =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a1\r\nFN:Ada Lovelace\r\nEMAIL;TYPE=internet,pref:ada@example.org\r\n"
    "TEL;TYPE=fax,work:+44 20 5555 0001\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:b2\r\nFN:林美華\r\nEMAIL;TYPE=internet:meihua@example.tw\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c3\r\nFN:Charles Babbage\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:d4\r\nKIND:group\r\nFN:Engine room\r\nMEMBER:urn:uuid:c3\r\nEND:VCARD\r\n";

// Runs `step` on the dialog once it is shown modally.
void whenShown(std::function<void(AddressDialog*)> step) {
    QTimer::singleShot(0, [step] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "wab32AddressDialog" && w->isVisible())
                return step(static_cast<AddressDialog*>(w));
        ADD_FAILURE() << "the address dialog is not shown";
    });
}

// Selects the rows whose names are given (and only those).
void select(AddressDialog* d, std::initializer_list<const char*> names) {
    auto* entries = d->findChild<QTreeWidget*>("entries");
    ASSERT_TRUE(entries);
    entries->clearSelection();
    for (const char* n : names) {
        const auto found = entries->findItems(QString::fromUtf8(n), Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << n;
        found.front()->setSelected(true);
    }
}
QStringList wellTexts(AddressDialog* d, int well) {
    QStringList out;
    auto* list = d->findChild<QListWidget*>(QString("well%1").arg(well));
    for (int i = 0; list && i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

struct Recipient {
    std::string name, email, addrType, entryId;
    LONG type = -1, objectType = -1;
};
std::vector<Recipient> recipients(const ADRLIST* list) {
    std::vector<Recipient> out;
    for (ULONG i = 0; list && i < list->cEntries; ++i) {
        const wabtest::Row row = wabtest::toRow(list->aEntries[i].rgPropVals, list->aEntries[i].cValues);
        Recipient r;
        auto text = [&](ULONG tag) { return row.count(tag) ? row.at(tag) : std::string(); };
        r.name = text(PR_DISPLAY_NAME);
        r.email = text(PR_EMAIL_ADDRESS);
        r.addrType = text(PR_ADDRTYPE);
        r.entryId = text(PR_ENTRYID);
        if (row.count(PR_RECIPIENT_TYPE)) r.type = std::stol(row.at(PR_RECIPIENT_TYPE));
        if (row.count(PR_OBJECT_TYPE)) r.objectType = std::stol(row.at(PR_OBJECT_TYPE));
        out.push_back(r);
    }
    return out;
}

// A list in the component's domain, as the provider hands one in.
ADRLIST* givenList(IWABObject* wab, const std::vector<std::pair<std::string, LONG>>& named) {
    void* p = nullptr;
    EXPECT_EQ(wab->AllocateBuffer(ULONG(cbAdrList(ULONG(named.size()))), &p), S_OK);
    auto* list = static_cast<ADRLIST*>(p);
    list->cEntries = ULONG(named.size());
    for (size_t i = 0; i < named.size(); ++i) {
        common::PropArray props;
        props.setString(PR_DISPLAY_NAME, named[i].first);
        props.setLong(PR_RECIPIENT_TYPE, named[i].second);
        EXPECT_EQ(common::copyProps(props.data(), props.size(), wabDomain(), &list->aEntries[i].rgPropVals), S_OK);
        list->aEntries[i].cValues = props.size();
    }
    return list;
}

class AddressTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        setenv("VELMO_CODEPAGE", "UTF-8", 1);
        path_ = velmo::test::makeTempDir("addr") + "/book.vcf";
        velmo::test::writeFile(path_, kBook);
        ASSERT_EQ(w_.open(path_), S_OK);
    }
    void TearDown() override {
        w_.close();
        unsetenv("VELMO_CODEPAGE");
    }
    // Two wells, "To" and "Cc".
    ADRPARM twoWells() {
        ADRPARM p{};
        p.ulFlags = DIALOG_MODAL;
        p.lpszCaption = caption_;
        p.lpszDestWellsTitle = wellsTitle_;
        p.cDestFields = 2;
        p.lppszDestTitles = titles_;
        p.lpulDestComps = comps_;
        return p;
    }

    std::string path_;
    wabtest::Wab w_;
    char caption_[32] = "選擇傳真對象";
    char wellsTitle_[16] = "Recipients";
    char to_[4] = "To", cc_[4] = "Cc";
    char* titles_[2] = {to_, cc_};
    ULONG comps_[2] = {MAPI_TO, MAPI_CC};
};

} // namespace

TEST_F(AddressTest, ChosenRecipientsComeBackInTheirWellsWithWhatARecipientNeeds) {
    ADRPARM params = twoWells();
    ADRLIST* list = nullptr;
    ULONG_PTR ui = 0;
    whenShown([](AddressDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("選擇傳真對象"));
        auto* to = d->findChild<QPushButton*>("add0");
        ASSERT_TRUE(to);
        EXPECT_EQ(to->text(), "To ->");
        EXPECT_EQ(d->findChild<QTreeWidget*>("entries")->topLevelItemCount(), 4);
        select(d, {"Ada Lovelace", "Engine room"});
        to->click();
        to->click(); // the same entries twice stay once
        select(d, {"林美華"});
        d->findChild<QPushButton*>("add1")->click();
        EXPECT_EQ(wellTexts(d, 0), (QStringList{"Ada Lovelace", "Engine room"}));
        d->findChild<QPushButton*>("ok")->click();
    });
    ASSERT_EQ(w_.ab->Address(&ui, &params, &list), S_OK);
    const auto got = recipients(list);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].name, "Ada Lovelace");
    EXPECT_EQ(got[0].email, "ada@example.org");
    EXPECT_EQ(got[0].addrType, "SMTP");
    EXPECT_EQ(got[0].type, LONG(MAPI_TO));
    EXPECT_EQ(got[0].objectType, LONG(MAPI_MAILUSER));
    EXPECT_EQ(got[0].entryId.size(), 40u);
    EXPECT_EQ(got[1].name, "Engine room");
    EXPECT_EQ(got[1].objectType, LONG(MAPI_DISTLIST));
    EXPECT_EQ(got[2].name, "林美華");
    EXPECT_EQ(got[2].type, LONG(MAPI_CC));
    // The identifier opens the entry it came from.
    ULONG type = 0;
    IUnknown* opened = wabtest::openId(w_.ab, got[0].entryId, &type);
    ASSERT_TRUE(opened);
    EXPECT_EQ(type, MAPI_MAILUSER);
    opened->Release();
    EXPECT_EQ(common::freeAdrList(list, wabDomain()), S_OK);
    EXPECT_EQ(velmo::test::readFile(path_), kBook) << "choosing changes nothing";
}

TEST_F(AddressTest, TheCallersRecipientsStartInTheirWellsAndCanBeRemoved) {
    ADRPARM params = twoWells();
    params.ulFlags = DIALOG_MODAL | AB_RESOLVE;
    // Typed names: one the file knows, one it does not, and a blind copy no well shows.
    ADRLIST* list = givenList(w_.wab, {{"charles babbage", LONG(MAPI_TO)}, {"Somebody", LONG(MAPI_CC)},
                                       {"Hidden", LONG(MAPI_BCC)}});
    ULONG_PTR ui = 0;
    whenShown([](AddressDialog* d) {
        EXPECT_EQ(wellTexts(d, 0), QStringList{"charles babbage"});
        EXPECT_EQ(wellTexts(d, 1), QStringList{"Somebody"});
        auto* cc = d->findChild<QListWidget*>("well1");
        cc->item(0)->setSelected(true);
        d->findChild<QPushButton*>("remove")->click();
        EXPECT_TRUE(wellTexts(d, 1).isEmpty());
        d->accept();
    });
    ASSERT_EQ(w_.ab->Address(&ui, &params, &list), S_OK);
    const auto got = recipients(list);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].name, "Charles Babbage") << "resolved to the file's entry";
    EXPECT_EQ(got[0].entryId.size(), 40u);
    EXPECT_EQ(got[0].type, LONG(MAPI_TO));
    EXPECT_EQ(got[1].name, "Hidden");
    EXPECT_EQ(got[1].type, LONG(MAPI_BCC));
    EXPECT_EQ(common::freeAdrList(list, wabDomain()), S_OK);
}

TEST_F(AddressTest, CancelSearchAndPickingExactlyOne) {
    ADRPARM params = twoWells();
    ADRLIST* list = givenList(w_.wab, {{"Kept", LONG(MAPI_TO)}});
    ADRLIST* const before = list;
    ULONG_PTR ui = 0;
    whenShown([](AddressDialog* d) {
        select(d, {"Ada Lovelace"});
        d->addSelected(0);
        d->reject();
    });
    EXPECT_EQ(w_.ab->Address(&ui, &params, &list), MAPI_E_USER_CANCEL);
    EXPECT_EQ(list, before);
    EXPECT_EQ(recipients(list).size(), 1u) << "a cancelled dialog leaves the list alone";

    // ADDRESS_ONE without wells: one entry, found by searching.
    ADRPARM one{};
    one.ulFlags = DIALOG_MODAL | ADDRESS_ONE;
    whenShown([](AddressDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("選擇收件者")) << "the component's caption by default";
        EXPECT_FALSE(d->findChild<QListWidget*>("well0"));
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            EXPECT_EQ(box->text(), QString::fromUtf8("請選擇一位收件者。"));
            box->accept();
        });
        d->accept(); // nothing chosen yet
        EXPECT_TRUE(d->isVisible());
        d->findChild<QLineEdit*>("search")->setText("MEIHUA@");
        auto* entries = d->findChild<QTreeWidget*>("entries");
        int visible = 0;
        for (int i = 0; i < entries->topLevelItemCount(); ++i)
            if (!entries->topLevelItem(i)->isHidden()) {
                ++visible;
                entries->topLevelItem(i)->setSelected(true);
            }
        EXPECT_EQ(visible, 1);
        d->accept();
    });
    ASSERT_EQ(w_.ab->Address(&ui, &one, &list), S_OK);
    const auto got = recipients(list);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].name, "林美華");
    EXPECT_EQ(got[0].type, LONG(MAPI_TO));
    EXPECT_EQ(common::freeAdrList(list, wabDomain()), S_OK);
}

TEST_F(AddressTest, TheCallersRestrictionChoosesTheEntriesShown) {
    ADRPARM params = twoWells();
    SRestriction withMail{};
    withMail.rt = RES_EXIST;
    withMail.res.resExist.ulPropTag = PR_EMAIL_ADDRESS;
    params.lpContRestriction = &withMail;
    ADRLIST* list = nullptr;
    ULONG_PTR ui = 0;
    QStringList shown;
    whenShown([&](AddressDialog* d) {
        auto* entries = d->findChild<QTreeWidget*>("entries");
        for (int i = 0; i < entries->topLevelItemCount(); ++i) shown << entries->topLevelItem(i)->text(0);
        d->reject();
    });
    EXPECT_EQ(w_.ab->Address(&ui, &params, &list), MAPI_E_USER_CANCEL);
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"Ada Lovelace", QString::fromUtf8("林美華")}));

    // A restriction that cannot be evaluated is refused before the dialog.
    SRestriction sub{};
    sub.rt = RES_SUBRESTRICTION;
    sub.res.resSub.lpRes = &withMail;
    params.lpContRestriction = &sub;
    EXPECT_EQ(w_.ab->Address(&ui, &params, &list), MAPI_E_TOO_COMPLEX);
}

TEST_F(AddressTest, BadParameterBlocksAreRefusedBeforeAnyDialog) {
    ADRPARM params = twoWells();
    ADRLIST* list = nullptr;
    ULONG_PTR ui = 0;
    EXPECT_EQ(w_.ab->Address(nullptr, &params, &list), E_INVALIDARG);
    EXPECT_EQ(w_.ab->Address(&ui, nullptr, &list), E_INVALIDARG);
    EXPECT_EQ(w_.ab->Address(&ui, &params, nullptr), E_INVALIDARG) << "wells need a list to fill";
    params.ulFlags = 0;
    EXPECT_EQ(w_.ab->Address(&ui, &params, &list), E_INVALIDARG) << "modal or modeless must be asked for";
    params.ulFlags = DIALOG_MODAL | DIALOG_SDI;
    EXPECT_EQ(w_.ab->Address(&ui, &params, &list), E_INVALIDARG);
    params.ulFlags = DIALOG_MODAL | MAPI_UNICODE;
    EXPECT_EQ(w_.ab->Address(&ui, &params, &list), MAPI_E_BAD_CHARWIDTH);
    params = twoWells();
    params.cDestFields = 100000;
    EXPECT_EQ(w_.ab->Address(&ui, &params, &list), E_INVALIDARG);
    EXPECT_EQ(list, nullptr);
}

namespace {

// Runs `step` on the top-level dialog named `name` once it is shown modally.
void whenDialogShown(const char* name, std::function<void(QDialog*)> step) {
    QTimer::singleShot(0, [name, step] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name && w->isVisible()) return step(static_cast<QDialog*>(w));
        ADD_FAILURE() << name << " is not shown";
    });
}

} // namespace

TEST_F(AddressTest, AVCardFileIsShownAndNothingCanBeChanged) {
    const std::string file = velmo::test::makeTempDir("show") + "/card.vcf";
    velmo::test::writeFile(file, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Grace Hopper\r\nORG:Navy;Computing\r\n"
                                 "TEL;TYPE=fax,work:+1 202 555 0100\r\nEND:VCARD\r\n");
    whenDialogShown("wab32ContactDialog", [](QDialog* d) {
        auto* company = d->findChild<QLineEdit*>("company");
        ASSERT_TRUE(company);
        EXPECT_EQ(company->text(), "Navy");
        EXPECT_TRUE(company->isReadOnly());
        EXPECT_EQ(d->findChild<QLineEdit*>("businessFax")->text(), "+1 202 555 0100");
        EXPECT_FALSE(d->findChild<QPushButton*>("cancel")->isVisible());
        d->accept();
    });
    std::string path = file;
    EXPECT_EQ(w_.wab->VCardDisplay(w_.ab, 0, path.data()), S_OK);
    EXPECT_EQ(velmo::test::readFile(path_), kBook) << "showing a card adds nothing to the store";
}

TEST_F(AddressTest, FindBrowsesTheStoreAndGetMeLetsTheUserPointAtThemselves) {
    whenShown([](AddressDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("尋找聯絡人"));
        EXPECT_FALSE(d->findChild<QListWidget*>("well0"));
        d->findChild<QLineEdit*>("search")->setText("engine");
        d->reject();
    });
    EXPECT_EQ(w_.wab->Find(w_.ab, 0), S_OK);

    // No "me" yet: the user picks one of the contacts (lists are not offered).
    whenShown([](AddressDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("選擇代表您自己的聯絡人"));
        EXPECT_TRUE(d->findChild<QTreeWidget*>("entries")->findItems("Engine room", Qt::MatchExactly).isEmpty());
        select(d, {"林美華"});
        d->accept();
    });
    SBinary me{};
    DWORD action = 9;
    ASSERT_EQ(w_.wab->GetMe(w_.ab, 0, &action, &me, 0), S_OK);
    EXPECT_EQ(action, 0u) << "picked, not made";
    ULONG type = 0;
    IUnknown* opened = wabtest::openId(w_.ab, std::string(reinterpret_cast<char*>(me.lpb), me.cb), &type);
    w_.wab->FreeBuffer(me.lpb);
    ASSERT_TRUE(opened);
    EXPECT_EQ(wabtest::getProps(static_cast<IMAPIProp*>(opened), {PR_DISPLAY_NAME})[PR_DISPLAY_NAME], "林美華");
    opened->Release();
    EXPECT_NE(velmo::test::readFile(path_).find("FN:林美華\r\nEMAIL;TYPE=internet:meihua@example.tw\r\nX-VELMO-ME:TRUE"),
              std::string::npos);

    // Cancelling the choice of a new one keeps the old.
    const std::string marked = velmo::test::readFile(path_);
    whenShown([](AddressDialog* d) { d->reject(); });
    EXPECT_EQ(w_.wab->SetMe(w_.ab, wab32::MAPI_DIALOG, {0, nullptr}, 0), MAPI_E_USER_CANCEL);
    EXPECT_EQ(velmo::test::readFile(path_), marked);
}
