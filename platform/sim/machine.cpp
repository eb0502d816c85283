// Machine: the default system message table of the simulated host.
#include "platform/sim/machine.h"

namespace zelta::sim {

// The texts Windows gives for the codes the product meets, line end included as FormatMessage has it.
std::map<Win32Error, std::string> Machine::DefaultErrorTexts() {
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

}  // namespace zelta::sim
