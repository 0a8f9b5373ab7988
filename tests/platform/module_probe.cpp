// Prints the folder this program finds its parts in, for the module path tests.
#include "platform/module.h"

#include <cstdio>

int main() {
    std::printf("%s\n", platform::ownModuleDirectory().c_str());
    return 0;
}
