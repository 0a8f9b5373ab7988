// Every command's command line as a user meets it: --help and --version on
// standard output, and a wrong argument named in one line before the usage.

#include "test_environment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using velmo::test::binPath;
using velmo::test::runCommand;

struct Outcome {
    int status;
    std::string out, err;
};

Outcome run(const std::string& program, const std::string& args) {
    Outcome r;
    r.status = runCommand(binPath(program) + " " + args, &r.out, &r.err);
    return r;
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// Exit 2, nothing on standard output, the problem first, then the usage.
void expectComplaint(const std::string& program, const std::string& args, const std::string& problem) {
    SCOPED_TRACE(program + " " + args);
    Outcome r = run(program, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(firstLine(r.err), program + ": " + problem);
    EXPECT_NE(r.err.find("\nusage: " + program + " "), std::string::npos) << r.err;
}

} // namespace

TEST(CommandLine, EveryToolAnswersHelpAndVersion) {
    for (const char* program : {"lisotrex", "lisotrex-convert", "pdxadmin", "velmo-reg", "velmo-mapi"}) {
        SCOPED_TRACE(program);
        Outcome help = run(program, "--help");
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(std::string("usage: ") + program + " ", 0), 0u) << help.out;
        EXPECT_NE(help.out.find("--version"), std::string::npos);
        EXPECT_EQ(help.err, "");
        Outcome version = run(program, "--version");
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, std::string(program) + " 1.01\n");
    }
    // The window program answers without a display.
    Outcome help = run("lisotrex", "--help -platform xcb");
    EXPECT_EQ(help.status, 0);
}

TEST(CommandLine, LisotrexConvertNamesTheWrongArgument) {
    expectComplaint("lisotrex-convert", "--set Nope.Key=1 --new plain", "unknown setting Nope.Key");
    expectComplaint("lisotrex-convert", "--import foo:a.csv", "unknown source foo");
    expectComplaint("lisotrex-convert", "--new plain --mode sometimes", "--mode: expected update, update-add or add-all");
    expectComplaint("lisotrex-convert", "--bogus", "unknown option --bogus");
    expectComplaint("lisotrex-convert", "", "nothing to do");
    expectComplaint("lisotrex-convert", "--new square", "--new: expected plain or onetouch");
    expectComplaint("lisotrex-convert", "--import exchange", "--import: expected SOURCE:FILE, not exchange");
    expectComplaint("lisotrex-convert", "--new plain --types fax,telex", "--types: expected fax, email or fax,email");
    expectComplaint("lisotrex-convert", "--new plain --duplicates maybe", "--duplicates: expected match, skip or add");
    expectComplaint("lisotrex-convert", "--new plain --export-types fax", "--export-types needs --export");
    expectComplaint("lisotrex-convert", "--new plain --export", "--export needs a value");
    expectComplaint("lisotrex-convert", "--new plain --save=", "--save needs a file name");
    expectComplaint("lisotrex-convert", "--show-settings --new plain", "--show-settings takes no other step than --set");
    expectComplaint("lisotrex-convert", "--show-settings=yes", "--show-settings takes no value");
    expectComplaint("lisotrex-convert", "--new plain --set Export.FAX", "--set: expected Section.Key=value, not Export.FAX");
    expectComplaint("lisotrex-convert", "--new plain --set Export.FAX=yes", "--set Export.FAX: expected a number, not yes");
    expectComplaint("lisotrex-convert", "book.abu", "unexpected argument book.abu");
}

TEST(CommandLine, PdxadminAndVelmoRegNameTheWrongArgument) {
    velmo::test::freshRegistry();
    expectComplaint("pdxadmin", "", "no command given");
    expectComplaint("pdxadmin", "frobnicate", "unknown command frobnicate");
    expectComplaint("pdxadmin", "--frobnicate", "unknown option --frobnicate");
    expectComplaint("pdxadmin", "create", "create: expected NAME [--default-services]");
    expectComplaint("pdxadmin", "profiles extra", "profiles: expected no arguments");
    expectComplaint("pdxadmin", "contents --default", "contents: expected PROFILE|--default ENTRYID");
    expectComplaint("pdxadmin", "remove-service P 1234", "not a service UID (32 hexadecimal digits): 1234");
    expectComplaint("pdxadmin", "configure P 00112233445566778899aabbccddeeff 3001001E",
                    "configure: expected TAG=VALUE, not 3001001E");
    expectComplaint("pdxadmin", "configure P 00112233445566778899aabbccddeeff xyz=1",
                    "configure: not a hexadecimal property tag: xyz");
    expectComplaint("velmo-reg", "", "no command given");
    expectComplaint("velmo-reg", "list", "unknown command list");
    expectComplaint("velmo-reg", "export A B", "export: expected at most one KEY");
    expectComplaint("velmo-reg", "import", "import: expected one FILE");
}
