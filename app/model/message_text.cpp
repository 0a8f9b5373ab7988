#include "model/prompter.h"

#include "platform/codepage.h"
#include "strings/strings.h"

namespace lisotrex {

std::string formatMessage(int id, const std::vector<std::string>& args) {
    const std::string& t = text(id);
    std::string out;
    out.reserve(t.size() + 64);
    size_t next = 0; // argument taken by the next "%s" or "%d"
    for (size_t i = 0; i < t.size(); ++i) {
        char c = t[i];
        if (c != '%' || i + 1 >= t.size()) {
            out.push_back(c);
            continue;
        }
        char d = t[i + 1];
        if (d >= '1' && d <= '9') {
            size_t k = static_cast<size_t>(d - '1');
            if (k < args.size()) out += platform::systemToUtf8(args[k]);
            ++i;
        } else if (d == 's' || d == 'd') {
            if (next < args.size()) out += platform::systemToUtf8(args[next++]);
            ++i;
        } else if (d == '%') {
            out.push_back('%');
            ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace lisotrex
