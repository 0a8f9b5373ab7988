// velmo-reg: export and import the registry stand-in as REGEDIT4 text.

#include "reg_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

int usage() {
    std::fputs("usage: velmo-reg export [KEY]\n"
               "       velmo-reg import FILE   (FILE \"-\" reads standard input)\n"
               "The store is $VELMO_REGISTRY, else $XDG_CONFIG_HOME/velmo/registry.sqlite3.\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // Names and texts cross this tool as UTF-8, whatever the system code page.
    setenv("VELMO_CODEPAGE", "UTF-8", 1);
    if (argc < 2) return usage();
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
    return usage();
}
