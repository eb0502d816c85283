// Win32 and remote-access error codes the product acts on. Every platform call reports failure
// as one of these values (0 is success), exactly as the operating system would.
#pragma once

#include <cstdint>

namespace zelta {

using Win32Error = std::uint32_t;

namespace err {
inline constexpr Win32Error kSuccess = 0;
inline constexpr Win32Error kInvalidFunction = 1;
inline constexpr Win32Error kFileNotFound = 2;
inline constexpr Win32Error kPathNotFound = 3;
inline constexpr Win32Error kAccessDenied = 5;
inline constexpr Win32Error kInvalidHandle = 6;
inline constexpr Win32Error kNotEnoughMemory = 8;
inline constexpr Win32Error kNotSupported = 50;
inline constexpr Win32Error kInvalidParameter = 87;
inline constexpr Win32Error kInsufficientBuffer = 122;
inline constexpr Win32Error kAlreadyExists = 183;
inline constexpr Win32Error kFilenameTooLong = 206;
inline constexpr Win32Error kPipeBusy = 231;
inline constexpr Win32Error kMoreData = 234;
inline constexpr Win32Error kNoMoreItems = 259;
inline constexpr Win32Error kServiceDoesNotExist = 1060;
inline constexpr Win32Error kInvalidOwner = 1307;
inline constexpr Win32Error kInvalidWindowHandle = 1400;
inline constexpr Win32Error kServiceNotActive = 1062;
inline constexpr Win32Error kTimeout = 1460;
inline constexpr Win32Error kWsaHostNotFound = 11001;
inline constexpr Win32Error kWsaNotInitialised = 10093;
inline constexpr Win32Error kSharingViolation = 32;
inline constexpr Win32Error kCantAccessFile = 1920;  // ERROR_CANT_ACCESS_FILE
inline constexpr Win32Error kNotFound = 1168;        // ERROR_NOT_FOUND
}  // namespace err

}  // namespace zelta
