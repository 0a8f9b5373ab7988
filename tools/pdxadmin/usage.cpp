#include "usage.h"

#include <cstdio>

namespace pdxadmin {
namespace {

struct Command {
    const char* name;
    const char* syntax;
    const char* what;
};

const Command kCommands[] = {
    {"profiles", "", "list the profiles; the default one is marked *"},
    {"create", "NAME [--default-services]", "make a profile, with the service INF's default services"},
    {"delete", "NAME", "delete a profile"},
    {"copy", "OLD NEW", "copy a profile"},
    {"rename", "OLD NEW", "rename a profile"},
    {"set-default", "NAME|--none", "make a profile the default one, or none"},
    {"services", "NAME", "list a profile's services: UID, service, display name, flags"},
    {"add-service", "PROFILE SERVICE [--display NAME]", "add a service of the service INF to a profile"},
    {"remove-service", "PROFILE UID", "remove a service from a profile"},
    {"configure", "PROFILE UID TAG=VALUE...", "set properties of a service (hexadecimal tags, text or number)"},
    {"hierarchy", "PROFILE|--default", "list the address book containers"},
    {"contents", "PROFILE|--default ENTRYID", "list the entries of a container"},
    {"expand", "PROFILE|--default ENTRYID", "list the members of a distribution list, nested lists expanded"},
    {"defaults", "PROFILE|--default", "show the default directory and the search path"},
    {"copy-entries", "PROFILE|--default SOURCE-ENTRYID DEST-ENTRYID", "copy entries into another container"},
    {"delete-entries", "PROFILE|--default ENTRYID...", "delete entries from their container"},
    {"new-entry", "PROFILE|--default CONTAINER-ENTRYID",
     "make an entry in the provider's dialog (needs a display); prints its ENTRYID"},
    {"details", "PROFILE|--default ENTRYID", "show and edit an entry in the provider's dialog (needs a display)"},
};

void printSynopsis(std::FILE* out) {
    bool first = true;
    for (const Command& c : kCommands) {
        std::fprintf(out, "%s pdxadmin %s%s%s\n", first ? "usage:" : "      ", c.name, *c.syntax ? " " : "", c.syntax);
        first = false;
    }
    std::fputs("       pdxadmin --help | --version\n", out);
}

} // namespace

const char* commandSyntax(const std::string& command) {
    for (const Command& c : kCommands)
        if (command == c.name) return c.syntax;
    return nullptr;
}

void printHelp() {
    printSynopsis(stdout);
    std::fputs("Administers PDX profiles and reads and changes address books through vqcore,\n"
               "as the program does; only new-entry and details open a window.\n",
               stdout);
    for (const Command& c : kCommands) std::printf("  %-15s %s\n", c.name, c.what);
    std::fputs("ENTRYID is an entry identifier in hexadecimal, as hierarchy and contents print\n"
               "it; --default opens the default profile. Profiles live in the registry store\n"
               "($VELMO_REGISTRY, else $XDG_CONFIG_HOME/velmo/registry.sqlite3).\n"
               "Exit status: 0 done, 1 a call failed (its status is printed), 2 a wrong command line.\n",
               stdout);
}

int usage(const std::string& problem) {
    std::fprintf(stderr, "pdxadmin: %s\n", problem.c_str());
    printSynopsis(stderr);
    std::fputs("Try 'pdxadmin --help' for more.\n", stderr);
    return 2;
}

int commandUsage(const std::string& command) {
    const char* syntax = commandSyntax(command);
    return usage(command + ": expected " + (syntax && *syntax ? syntax : "no arguments"));
}

} // namespace pdxadmin
