#include "files/log_file.h"
#include "model/document.h"
#include "recording_prompter.h"
#include "settings/preferences.h"
#include "test_environment.h"
#include "ui/dialogs/filter_edit.h"
#include "ui/preferences/preference_page.h"
#include "ui/preferences/preferences_sheet.h"
#include "widget_test.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace lisotrex::test {
namespace {

using ui::CPreferencesSheet;

enum Tab { kOneTouchTab, kExportTab, kLogTab, kExchangeTab, kNotesTab, kPdxTab, kConvertTab };

class PreferencesSheetTest : public WidgetTest {
protected:
    PreferencesSheetTest() : doc(prompter, prefs, clipboard), log(prompter, "") {
        velmo::test::freshRegistry();
        doc.m_nMaxOneTouch = 200;
    }
    std::unique_ptr<CPreferencesSheet> open() {
        auto sheet = std::make_unique<CPreferencesSheet>(context);
        EXPECT_TRUE(showActive(*sheet));
        return sheet;
    }
    QLineEdit* edit(QWidget& w, const char* name) { return child<QLineEdit>(w, name); }
    void ok(QWidget& w) { child<QPushButton>(w, "ctl_1")->click(); }

    RecordingPrompter prompter;
    Preferences prefs;
    MemoryClipboard clipboard;
    CLisotrexDoc doc;
    Log log;
    QWidget* buttonOwner = nullptr;
    ui::PreferencesContext context{doc, prefs, log, [this](QWidget* owner) { buttonOwner = owner; }};
};

TEST_F(PreferencesSheetTest, PageIntegers) {
    EXPECT_EQ(ui::readPageInteger(QStringLiteral(" \t250\t ")), 250);
    EXPECT_EQ(ui::readPageInteger(QStringLiteral("")), -1);
    EXPECT_EQ(ui::readPageInteger(QStringLiteral("  ")), -1);
    EXPECT_EQ(ui::readPageInteger(QStringLiteral("25x")), -1);
    EXPECT_EQ(ui::readPageInteger(QStringLiteral("2 5")), -1);
    EXPECT_EQ(ui::readPageInteger(QStringLiteral("99999999999")), -1);
    EXPECT_EQ(ui::readPageInteger(QStringLiteral("-3")), -3);
}

TEST_F(PreferencesSheetTest, EmptyOneTouchMaximumIsRefused) {
    BoxAnswerer boxes;
    auto sheet = open();
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("偏好"));
    EXPECT_EQ(sheet->tabs()->tabText(kPdxTab), QStringLiteral("通訊錄"));
    edit(*sheet, "ctl_1021")->clear();
    ok(*sheet);
    EXPECT_EQ(boxes.names, std::vector<QString>{QStringLiteral("message_6054")});
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入介於 1 到 9999 的整數。"));
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->focusWidget(), edit(*sheet, "ctl_1021"));
    EXPECT_EQ(doc.m_nMaxOneTouch, 200);
}

TEST_F(PreferencesSheetTest, EmptyExportLimitKeepsTheSheetOnItsPage) {
    BoxAnswerer boxes;
    auto sheet = open();
    sheet->tabs()->setCurrentIndex(kExportTab);
    edit(*sheet, "ctl_1010")->setText(QStringLiteral(" "));
    sheet->tabs()->setCurrentIndex(kNotesTab); // leaving the page checks it
    EXPECT_EQ(boxes.last(), QStringLiteral("message_6054"));
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入介於 0 到 9999 的整數。"));
    EXPECT_EQ(sheet->tabs()->currentIndex(), kExportTab);
    EXPECT_FALSE(sheet->pages()[kNotesTab]->started());

    sheet->tabs()->setCurrentIndex(kOneTouchTab);
    ok(*sheet);
    EXPECT_EQ(boxes.names.size(), 3u);
    EXPECT_EQ(sheet->tabs()->currentIndex(), kExportTab);
    EXPECT_EQ(sheet->focusWidget(), edit(*sheet, "ctl_1010"));
}

TEST_F(PreferencesSheetTest, OneTouchMaximumIsStoredOnlyWhenItDiffers) {
    prefs.env.oneTouchNumber = 300; // in memory only
    doc.m_nMaxOneTouch = 300;
    {
        auto sheet = open();
        ok(*sheet);
        EXPECT_EQ(sheet->result(), QDialog::Accepted);
    }
    EXPECT_EQ(loadPreferences().env.oneTouchNumber, 200); // still the default: nothing written

    // A book opened with its own maximum: keeping it stores nothing either.
    prefs.env.oneTouchNumber = 200;
    doc.m_nMaxOneTouch = 300;
    {
        auto sheet = open();
        ok(*sheet);
    }
    EXPECT_EQ(prefs.env.oneTouchNumber, 200);
    EXPECT_EQ(loadPreferences().env.oneTouchNumber, 200);

    auto sheet = open();
    edit(*sheet, "ctl_1021")->setText(QStringLiteral(" 250 "));
    ok(*sheet);
    EXPECT_EQ(doc.m_nMaxOneTouch, 250);
    EXPECT_EQ(prefs.env.oneTouchNumber, 250);
    EXPECT_EQ(loadPreferences().env.oneTouchNumber, 250);
}

TEST_F(PreferencesSheetTest, PagesNeverShownAreNotApplied) {
    auto sheet = open();
    sheet->tabs()->setCurrentIndex(kExportTab);
    edit(*sheet, "ctl_1010")->setText(QStringLiteral("10"));
    prefs.notes.homeFax = 0; // changed elsewhere while the sheet is open
    prefs.conversion.outsideWireCode = "9";
    ok(*sheet);
    EXPECT_EQ(prefs.exports.maxExport, 10);
    EXPECT_EQ(prefs.notes.homeFax, 0);
    EXPECT_EQ(prefs.conversion.outsideWireCode, "9");
    const Preferences stored = loadPreferences();
    EXPECT_EQ(stored.exports.maxExport, 10);
    EXPECT_EQ(stored.notes.homeFax, 1);
    EXPECT_TRUE(stored.conversion.outsideWireCode.empty());
}

TEST_F(PreferencesSheetTest, LogPathAndPrefixLeftAloneKeepTheirBytes) {
    // Bytes that are no text in the system code page (UTF-8 in tests).
    const std::string path = velmo::test::makeTempDir("log") + "/r\xe9sum\xe9.log";
    log.setPath(path, prefs);
    prefs.conversion.outsideWireCode = "9\xff";
    auto sheet = open();
    sheet->tabs()->setCurrentIndex(kLogTab);
    sheet->tabs()->setCurrentIndex(kConvertTab);
    ok(*sheet);
    EXPECT_EQ(log.path(), path);
    EXPECT_EQ(prefs.env.logFilePath, path);
    EXPECT_EQ(prefs.conversion.outsideWireCode, "9\xff");
    EXPECT_EQ(loadPreferences().conversion.outsideWireCode, "9\xff");
}

TEST_F(PreferencesSheetTest, Exchange2000GreysTheSymbolsAndKeepsThem) {
    prefs.exchange = ExchangeSettings{0, 0, 5, 2};
    auto sheet = open();
    sheet->tabs()->setCurrentIndex(kExchangeTab);
    auto* apply = sheet->applyButton();
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_TRUE(child<QComboBox>(*sheet, "ctl_1028")->isEnabled());
    EXPECT_EQ(child<QComboBox>(*sheet, "ctl_1032")->currentText(), QStringLiteral("*"));
    child<QRadioButton>(*sheet, "ctl_1014")->click(); // the version it started with
    EXPECT_FALSE(apply->isEnabled());
    child<QRadioButton>(*sheet, "ctl_1015")->click();
    EXPECT_TRUE(apply->isEnabled());
    for (const char* name : {"ctl_1028", "ctl_1029", "ctl_1032"})
        EXPECT_FALSE(child<QComboBox>(*sheet, name)->isEnabled()) << name;
    apply->click();
    EXPECT_FALSE(apply->isEnabled());
    const ExchangeSettings stored = loadPreferences().exchange;
    EXPECT_EQ(stored.version, 1);
    EXPECT_EQ(stored.quote, 0);
    EXPECT_EQ(stored.groupSymbol, 5);
    EXPECT_EQ(stored.column, 2);
}

TEST_F(PreferencesSheetTest, NotesVersionSwitchesTheEmailField) {
    BoxAnswerer boxes;
    prefs.notes = NotesSettings{1, 12, 1, 1, 1};
    auto sheet = open();
    sheet->tabs()->setCurrentIndex(kNotesTab);
    EXPECT_TRUE(child<QRadioButton>(*sheet, "ctl_1036")->isChecked());
    child<QRadioButton>(*sheet, "ctl_1017")->click();
    EXPECT_FALSE(child<QRadioButton>(*sheet, "ctl_1034")->isEnabled());
    edit(*sheet, "ctl_1030")->setText(QStringLiteral("256"));
    ok(*sheet);
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入介於 0 到 255 的整數。"));
    edit(*sheet, "ctl_1030")->setText(QStringLiteral("30"));
    ok(*sheet);
    const NotesSettings stored = loadPreferences().notes;
    EXPECT_EQ(stored.version, 0);
    EXPECT_EQ(stored.sectionCode, 30);
    EXPECT_EQ(stored.emailField, 1);
}

TEST_F(PreferencesSheetTest, LogPathAndConversionAreStored) {
    BoxAnswerer boxes;
    auto sheet = open();
    sheet->tabs()->setCurrentIndex(kLogTab);
    edit(*sheet, "ctl_1012")->setText(QString(90, QChar(0x4E2D))); // 270 bytes
    ok(*sheet);
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入包含 259 字元。"));
    // A path set whole (as the browse dialog does) is not cut at the limit either.
    edit(*sheet, "ctl_1012")->setText(QStringLiteral("/tmp/") + QString(260, u'p'));
    ok(*sheet);
    EXPECT_EQ(boxes.texts.back(), QStringLiteral("請輸入包含 259 字元。"));
    EXPECT_EQ(boxes.texts.size(), 2u);
    const std::string path = velmo::test::makeTempDir() + "/run.log";
    edit(*sheet, "ctl_1012")->setText(QString::fromStdString(path));

    sheet->tabs()->setCurrentIndex(kConvertTab);
    auto* prefix = qobject_cast<ui::CFilterEdit*>(edit(*sheet, "ctl_1035"));
    ASSERT_NE(prefix, nullptr);
    EXPECT_EQ(prefix->mask(), 0x7);
    prefix->setText(QStringLiteral("0,"));
    child<QComboBox>(*sheet, "ctl_1027")->setCurrentIndex(3);
    ok(*sheet);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(log.path(), path);
    const Preferences stored = loadPreferences();
    EXPECT_EQ(stored.env.logFilePath, path);
    EXPECT_EQ(stored.conversion.outsideWireCode, "0,");
    EXPECT_EQ(stored.conversion.deptConvertType, 3);
}

TEST_F(PreferencesSheetTest, AddressBookButtonIsHandedThePage) {
    auto sheet = open();
    sheet->tabs()->setCurrentIndex(kPdxTab);
    child<QPushButton>(*sheet, "ctl_1006")->click();
    EXPECT_EQ(buttonOwner, sheet->pages()[kPdxTab]);
}

} // namespace
} // namespace lisotrex::test
