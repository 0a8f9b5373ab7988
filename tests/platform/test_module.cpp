// A module for the loading tests.
#include "platform/module.h"

#include <cstring>

extern "C" __attribute__((visibility("default"))) int velmoTestAnswer() { return 42; }

// The folder the module finds its siblings in, copied into buf.
extern "C" __attribute__((visibility("default"))) void velmoTestModuleDirectory(char* buf, unsigned size) {
    std::string dir = platform::ownModuleDirectory();
    std::strncpy(buf, dir.c_str(), size - 1);
    buf[size - 1] = '\0';
}
