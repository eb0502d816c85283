// HoldTrustedProgram: before the system account runs a program file, the file is held open against
// writing and renaming, and it and its folder are checked to be changeable only by those who could
// change the system itself: owned by the system account, Administrators, TrustedInstaller or the
// checking program's own account, and writable by nobody else.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/system_info.h"

namespace zelta {

// The folder a file is in ("C:\\" for a file at a drive's root); empty for a bare name.
std::string FolderOf(std::string_view path);

// The held file when `programPath` may be run: it stays as checked until the result goes. Nothing
// when it may not (or cannot be checked); `why` then says what is wrong, for a log record.
std::unique_ptr<HeldFile> HoldTrustedProgram(FileSystem& files, SystemInfo& system, std::string_view programPath,
                                            std::string& why);

}  // namespace zelta
