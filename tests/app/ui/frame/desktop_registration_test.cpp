// The .abu file type, the program's entry and its icons in a user's data
// folder, with the desktop databases rebuilt by the desktop's own tools.

#include "test_environment.h"
#include "ui/file_type_registration.h"
#include "widget_test.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

class DesktopRegistration : public lisotrex::test::WidgetTest {
protected:
    QByteArray savedDataHome;
    std::string data;

    void SetUp() override {
        savedDataHome = qgetenv("XDG_DATA_HOME");
        data = velmo::test::makeTempDir("xdgdata");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data));
        ASSERT_EQ(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), QString::fromStdString(data));
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", savedDataHome); }
    QDateTime modified(const std::string& relative) {
        return QFileInfo(QString::fromStdString(data + "/" + relative)).lastModified();
    }
    bool exists(const std::string& relative) { return QFileInfo::exists(QString::fromStdString(data + "/" + relative)); }
};

} // namespace

TEST_F(DesktopRegistration, TypeEntryAndIconsTakeEffectAndAreRewrittenOnlyWhenChanged) {
    for (const char* tool : {"update-mime-database", "update-desktop-database"})
        ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool << ": run scripts/setup.sh";
    lisotrex::ui::registerFileType();
    EXPECT_TRUE(exists("mime/packages/lisotrex-document.xml"));
    EXPECT_TRUE(exists("applications/lisotrex.desktop"));
    EXPECT_TRUE(exists("icons/hicolor/scalable/apps/lisotrex.svg"));
    EXPECT_TRUE(exists("icons/hicolor/scalable/mimetypes/application-x-lisotrex-document.svg"));
    // What the desktop reads: the built MIME database and the type-to-program cache.
    const std::string globs = velmo::test::readFile(data + "/mime/globs2");
    EXPECT_NE(globs.find("application/x-lisotrex-document:*.abu"), std::string::npos) << globs;
    const std::string cache = velmo::test::readFile(data + "/applications/mimeinfo.cache");
    EXPECT_NE(cache.find("application/x-lisotrex-document=lisotrex.desktop;"), std::string::npos) << cache;
    const std::string entry = velmo::test::readFile(data + "/applications/lisotrex.desktop");
    EXPECT_NE(entry.find("\nIcon=lisotrex\n"), std::string::npos);
    EXPECT_EQ(velmo::test::readFile(data + "/icons/hicolor/scalable/apps/lisotrex.svg").rfind("<?xml", 0), 0u);

    // A second start changes nothing and rebuilds nothing.
    const std::vector<std::string> files = {"mime/packages/lisotrex-document.xml", "mime/globs2",
                                            "applications/lisotrex.desktop", "applications/mimeinfo.cache",
                                            "icons/hicolor/scalable/apps/lisotrex.svg"};
    std::vector<QDateTime> before;
    for (const auto& f : files) before.push_back(modified(f));
    QTest::qWait(1100); // file times have a resolution of their own
    lisotrex::ui::registerFileType();
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(modified(files[i]), before[i]) << files[i];

    // A database that was never built (the tool was missing then) is built now.
    QFile::remove(QString::fromStdString(data + "/applications/mimeinfo.cache"));
    lisotrex::ui::registerFileType();
    EXPECT_TRUE(exists("applications/mimeinfo.cache"));
}

// A program run from a folder with awkward characters: its entry still starts it.
TEST_F(DesktopRegistration, TheEntryStartsThisVeryProgramFile) {
    const std::string base = velmo::test::makeTempDir("entry");
    const std::string folder = base + "/my $HOME/100% \"x\"";
    lisotrex::ui::registerFileTypeFor(QString::fromStdString(folder + "/lisotrex"));
    const std::string entryPath = data + "/applications/lisotrex.desktop";
    const std::string entry = velmo::test::readFile(entryPath);
    EXPECT_NE(entry.find("\nExec=\"" + base + "/my \\\\$HOME/100%% \\\\\"x\\\\\"/lisotrex\" %f\n"), std::string::npos)
        << entry;
    ASSERT_FALSE(QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) << "run scripts/setup.sh";
    std::string out;
    EXPECT_EQ(velmo::test::runCommand("desktop-file-validate " + velmo::test::shellQuote(entryPath), &out), 0) << out;
}

// An installed program finds its package's entries in <prefix>/share and
// writes nothing into the user's folder.
TEST_F(DesktopRegistration, AnInstalledProgramLeavesTheUsersFolderAlone) {
    const std::string prefix = velmo::test::makeTempDir("usr");
    QDir().mkpath(QString::fromStdString(prefix + "/lib/lisotrex"));
    QDir().mkpath(QString::fromStdString(prefix + "/share/applications"));
    QDir().mkpath(QString::fromStdString(prefix + "/share/mime/packages"));
    velmo::test::writeFile(prefix + "/share/applications/lisotrex.desktop", "[Desktop Entry]\n");
    velmo::test::writeFile(prefix + "/share/mime/packages/lisotrex-document.xml", "<mime-info/>\n");
    lisotrex::ui::registerFileTypeFor(QString::fromStdString(prefix + "/lib/lisotrex/lisotrex"));
    EXPECT_FALSE(exists("applications"));
    EXPECT_FALSE(exists("mime"));
    EXPECT_FALSE(exists("icons"));
}
