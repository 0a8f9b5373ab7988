// Qt is not made to be unloaded: its libraries keep process-wide state (the
// locale, the application's resources, exit handlers) that dies with them
// half-finished. The plug-ins are loaded and unloaded with each session and
// the bridge with each import, also by programs that have no Qt of their own
// (the headless tool), so the Qt libraries a module brings are marked
// resident the moment it is loaded.

#include <QApplication>
#include <dlfcn.h>

namespace {

struct KeepQtLoaded {
    KeepQtLoaded() {
        Dl_info info{};
        if (dladdr(reinterpret_cast<const void*>(&QApplication::staticMetaObject), &info) && info.dli_fname)
            dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
} keepQtLoaded;

} // namespace
