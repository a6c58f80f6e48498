#pragma once
// The destination of a read: the destination box's text, asked for with an input box when
// the box is empty. A bare file name lands in the current folder; a path into a folder
// that does not exist is refused (message 139 followed by the folder).
#include <string>

#include "dfreader/reader_form.h"
#include "platform/dialogs.h"

namespace tester {

// The path to write, or empty (nothing usable given, or the folder is missing).
std::string GetImageFileName(ReaderForm& form, OperatorDialogs& dialogs,
                             const std::string& target, const std::string& current_folder);

}  // namespace tester
