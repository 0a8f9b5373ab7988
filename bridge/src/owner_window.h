#pragma once
// Window handle words: a QWidget* carried as an integer. A handle is used
// only when it names a widget of this process, so a stale or foreign word is
// never dereferenced.

#include <QPointer>
#include <QWidget>
#include <cstdint>

namespace vqbridge {

// The widget the word names, or null.
QWidget* widgetOf(uintptr_t window);

// Disables the top-level window of `window` while alive, when it was enabled.
class DisabledOwner {
public:
    explicit DisabledOwner(uintptr_t window);
    ~DisabledOwner();
    DisabledOwner(const DisabledOwner&) = delete;
    DisabledOwner& operator=(const DisabledOwner&) = delete;

private:
    QPointer<QWidget> owner_;
};

} // namespace vqbridge
