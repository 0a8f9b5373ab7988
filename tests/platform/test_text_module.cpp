// A module that uses the platform's text services, for the unloading test.

#include <ctime>

#include "platform/codepage.h"
#include "platform/system.h"

extern "C" __attribute__((visibility("default"))) int velmoTextWork() {
    const std::string big5 = platform::convertCodePage("王", "UTF-8", "CP950", '?');
    const int order = platform::compareLocale("a", "b");
    const std::string date = platform::formatShortDate(std::time(nullptr));
    return int(big5.size()) + (order < 0 ? 1 : 0) + (date.empty() ? 0 : 1) + int(platform::foldCaseUtf8("ä").size());
}
