#include "ui/command_line_help.h"

#include "velmo_version.h"

#include <cstdio>
#include <cstring>

namespace lisotrex::ui {
namespace {

const char kHelp[] =
    "usage: lisotrex [-Nosplash] [BOOK]\n"
    "Starts the address book utility with the native address book BOOK (.abu),\n"
    "or with a new book.\n"
    "  -Nosplash, /Nosplash  start without the splash picture (any case)\n"
    "  --help                show this help and exit\n"
    "  --version             show the version and exit\n"
    "Qt's own options (-platform NAME, -display DISPLAY, ...) are taken as well.\n"
    "Converting without a window: lisotrex-convert --help.\n";

} // namespace

std::optional<int> answerInfoOption(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("lisotrex %s\n", VELMO_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace lisotrex::ui
