#pragma once
// The wait cursor that every export shows while it runs, when the caller has
// a QApplication; and the arrow cursor for the time a dialog of ours is up,
// so the user does not see a busy pointer over a window that waits for him.

namespace vqbridge {

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool set_ = false;
};

class ArrowCursor {
public:
    ArrowCursor();
    ~ArrowCursor();
    ArrowCursor(const ArrowCursor&) = delete;
    ArrowCursor& operator=(const ArrowCursor&) = delete;

private:
    bool set_ = false;
};

// True when the process has a QApplication (dialogs can be shown).
bool haveApplication();

} // namespace vqbridge
