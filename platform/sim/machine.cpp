// Machine: the default system message table of the simulated host.
#include "platform/sim/machine.h"

namespace zelta::sim {

// The texts Windows gives for the codes the product meets, line end included as FormatMessage has it.
std::map<Win32Error, std::string> SystemFacts::DefaultErrorTexts() {
    return {
        {0, "The operation completed successfully.\r\n"},
        {2, "The system cannot find the file specified.\r\n"},
        {3, "The system cannot find the path specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {183, "Cannot create a file when that file already exists.\r\n"},
        {231, "All pipe instances are busy.\r\n"},
        {234, "More data is available.\r\n"},
        {1060, "The specified service does not exist as an installed service.\r\n"},
        {1460, "This operation returned because the timeout period expired.\r\n"},
    };
}

// RasGetErrorString's English texts (Windows XP) for every code the dialer handles by name (the
// fatal ones, the common redialled ones, the hang-up and sizing codes) and a few more a dial meets.
std::map<Win32Error, std::string> RemoteAccessWorld::DefaultRasErrorTexts() {
    return {
        {600, "An operation is pending."},
        {603, "The buffer is too small."},
        {608, "A device was specified that does not exist."},
        {617, "The port or device is already disconnecting."},
        {619, "A connection to the remote computer could not be established, so the port used for this connection "
              "was closed."},
        {623, "The system could not find the phone book entry for this connection."},
        {628, "The connection was terminated by the remote computer before it could be completed."},
        {629, "The connection was closed by the remote computer."},
        {631, "The port was disconnected by the user."},
        {632, "The structure size is incorrect."},
        {635, "An unknown error occurred."},
        {645, "Internal authentication error."},
        {646, "The account is not permitted to log on at this time of day."},
        {647, "The account is disabled."},
        {648, "The password for this account has expired."},
        {649, "The account does not have permission to dial in."},
        {678, "There was no answer."},
        {691, "Access was denied because the username and/or password was invalid on the domain."},
        {718, "The connection was terminated because the remote computer did not respond in a timely manner."},
        {738, "The server did not assign an address."},
        {739, "The authentication protocol required by the remote server cannot use the stored password. Redial, "
              "entering the password explicitly."},
        {741, "The local computer does not support the required data encryption type."},
        {742, "The remote computer does not support the required data encryption type."},
        {743, "The remote server requires encryption."},
        {756, "This connection is already being dialed."},
        {781, "The encryption attempt failed because no valid certificate was found."},
        {789, "The L2TP connection attempt failed because the security layer encountered a processing error during "
              "initial negotiations with the remote computer."},
        {800, "Unable to establish the VPN connection. The VPN server may be unreachable, or security parameters may "
              "not be configured properly for this connection."},
    };
}

}  // namespace zelta::sim
