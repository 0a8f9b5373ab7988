#pragma once
// The address book list (dialog 103) and register (dialog 104) dialogs.

#include <string>

#include "pdx/interfaces.h"

namespace pdx::core {

constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;
constexpr int kDialogFailed = -1; // no user interface could be shown

// Modal; returns the closing button, or kDialogFailed without a QApplication.
int showAddressBookList(ULONG_PTR ulUIParam, IPDXServiceAdmin* admin);
// With OK, `serviceName` is the chosen service (empty when none was selected).
int showRegisterDialog(ULONG_PTR ulUIParam, IPDXServiceAdmin* admin, std::string& serviceName);

} // namespace pdx::core
