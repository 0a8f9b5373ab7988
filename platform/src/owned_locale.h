#pragma once
// A locale object kept in a static: freed when the static goes (at exit, or
// when the plug-in that links this code is unloaded).

#include <locale.h>

namespace platform {

class OwnedLocale {
public:
    explicit OwnedLocale(locale_t loc) : loc_(loc) {}
    ~OwnedLocale() {
        if (loc_) freelocale(loc_);
    }
    OwnedLocale(const OwnedLocale&) = delete;
    OwnedLocale& operator=(const OwnedLocale&) = delete;
    locale_t get() const { return loc_; }

private:
    locale_t loc_;
};

} // namespace platform
