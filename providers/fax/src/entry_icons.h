#pragma once
// The small icons of the group dialog's list: a person (one fax number of a
// contact) and a group.

#include <QIcon>

namespace vqfax {

QIcon personIcon();
QIcon groupIcon();

} // namespace vqfax
