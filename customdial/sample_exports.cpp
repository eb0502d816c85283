// The sample exports: a class with no data, a function answering 42 and a variable at 0.
#include "customdial/sample_exports.h"

CZeltavpn::CZeltavpn() = default;

CZeltavpn& CZeltavpn::operator=(const CZeltavpn&) = default;

extern "C" {
int nZeltavpn = 0;
int fnZeltavpn(void) { return 42; }
}
