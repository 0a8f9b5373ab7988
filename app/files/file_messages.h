#pragma once
// The message for a failed file operation, chosen by its cause.

#include "model/prompter.h"
#include "platform/file.h"

#include <string>

namespace lisotrex {

// String id for a cause (6028..6042).
int fileErrorMessageId(platform::FileCause cause);
// Shows the cause's message with the path (stop icon).
void showFileError(Prompter& prompter, platform::FileCause cause, const std::string& path);
// A failure that carries no file cause.
void showOpenFailed(Prompter& prompter);

} // namespace lisotrex
