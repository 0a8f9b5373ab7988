// Where context help points: the help file's HTML name and the folder of the
// module that shows it (the dialogs' F1 and What's This are driven through
// the dialogs of vqcore and the plug-ins).

#include <gtest/gtest.h>

#include <QUrl>

#include "platform/context_help.h"

namespace {

const QString kHelpFolder = VELMO_BIN_DIR "/help/";

QString fileOf(const platform::HelpFile& file) { return platform::helpUrl(file, 1).toLocalFile(); }

} // namespace

TEST(ContextHelpUrl, TheFolderIsTheModulesPathWithoutItsNameOrTheOneGiven) {
    // This program is the module here: its own name, in any case, is cut off its path.
    EXPECT_EQ(fileOf({"platform_help_test", "VQCORE.hlp"}), kHelpFolder + "vqcore.html");
    EXPECT_EQ(fileOf({"PLATFORM_HELP_TEST", "VQCORE.hlp"}), kHelpFolder + "vqcore.html");
    // What is cut is the name as the string table gives it, folders included.
    const QString parent = QString(VELMO_BIN_DIR).section('/', 0, -2) + "/help/";
    EXPECT_EQ(fileOf({"bin/platform_help_test", "VQCORE.hlp"}), parent + "vqcore.html");
    // A name that is not the module's, or none, leaves the module's own folder.
    EXPECT_EQ(fileOf({"vqwabsp.so", "VQCORE.hlp"}), kHelpFolder + "vqcore.html");
    EXPECT_EQ(fileOf({"", "VQCORE.hlp"}), kHelpFolder + "vqcore.html");
    // Another module's folder, given, is used as it is.
    EXPECT_EQ(fileOf({"platform_help_test", "VQCORE.hlp", "/opt/velmo/lib/"}), "/opt/velmo/lib/help/vqcore.html");
}

TEST(ContextHelpUrl, TheHelpFileIsLowerCaseHtmlAtTheContextsAnchor) {
    EXPECT_EQ(fileOf({"", "Fax.Store.HLP"}), kHelpFolder + "fax.store.html") << "only the last extension goes";
    EXPECT_EQ(fileOf({"", "README"}), kHelpFolder + "readme.html");
    EXPECT_EQ(platform::helpUrl({"", "VQCORE.hlp"}, 0x0F02).fragment(), "0x0F02");
    EXPECT_EQ(platform::helpUrl({"", "VQCORE.hlp"}, 1).fragment(), "0x0001");
    EXPECT_EQ(platform::helpUrl({"", "VQCORE.hlp"}, 0x1ABCD).fragment(), "0x1ABCD");
}
