// velmo-reg: export and import the registry stand-in as REGEDIT4 text.

#include "reg_text.h"
#include "velmo_version.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

const char kSynopsis[] = "usage: velmo-reg export [KEY]\n"
                         "       velmo-reg import FILE\n"
                         "       velmo-reg --help | --version\n";

// A wrong command line: what is wrong, in one line, then the usage.
int usage(const std::string& problem) {
    std::fprintf(stderr, "velmo-reg: %s\n%sTry 'velmo-reg --help' for more.\n", problem.c_str(), kSynopsis);
    return 2;
}

void printHelp() {
    std::fputs(kSynopsis, stdout);
    std::fputs("Shows and changes the registry store of the system as REGEDIT4 text.\n"
               "  export [KEY]  print KEY (e.g. 'HKEY_CURRENT_USER\\Software\\Velmo') with its values\n"
               "                and subkeys; without KEY, the whole store\n"
               "  import FILE   add the keys and values of a REGEDIT4 file (\"-\" reads standard\n"
               "                input); [-KEY] deletes a key, \"name\"=- a value\n"
               "  --help        show this help and exit\n"
               "  --version     show the version and exit\n"
               "The store is $VELMO_REGISTRY, else $XDG_CONFIG_HOME/velmo/registry.sqlite3.\n"
               "Exit status: 0 done, 1 the store or the file failed, 2 a wrong command line.\n",
               stdout);
}

} // namespace

int main(int argc, char** argv) {
    // Names and texts cross this tool as UTF-8, whatever the system code page.
    setenv("VELMO_CODEPAGE", "UTF-8", 1);
    if (argc < 2) return usage("no command given");
    const std::string cmd = argv[1];
    if (cmd == "--help" && argc == 2) {
        printHelp();
        return 0;
    }
    if (cmd == "--version" && argc == 2) {
        std::printf("velmo-reg %s\n", VELMO_VERSION);
        return 0;
    }
    if (cmd != "export" && cmd != "import")
        return usage((cmd.rfind("--", 0) == 0 ? "unknown option " : "unknown command ") + cmd);
    std::string error;
    if (std::strcmp(argv[1], "export") == 0 && argc <= 3) {
        std::string out;
        if (!velmoreg::exportTree(argc == 3 ? argv[2] : "", out, error)) {
            std::fprintf(stderr, "velmo-reg: %s\n", error.c_str());
            return 1;
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "import") == 0 && argc == 3) {
        std::string text;
        if (std::strcmp(argv[2], "-") == 0) {
            text.assign(std::istreambuf_iterator<char>(std::cin), {});
        } else {
            std::ifstream in(argv[2], std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "velmo-reg: cannot read %s\n", argv[2]);
                return 1;
            }
            text.assign(std::istreambuf_iterator<char>(in), {});
        }
        if (!velmoreg::importText(text, error)) {
            std::fprintf(stderr, "velmo-reg: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    return usage(cmd == "export" ? "export: expected at most one KEY" : "import: expected one FILE");
}
