// The sample exports the library carries from its project template: nothing uses them, but they
// stay in the export table where earlier builds had them.
#pragma once

#if defined(_WIN32) && defined(ZELTAVPN_BUILDING)
#define ZELTAVPN_API __declspec(dllexport)
#else
#define ZELTAVPN_API
#endif

class ZELTAVPN_API CZeltavpn {
public:
    CZeltavpn();
    CZeltavpn& operator=(const CZeltavpn&);
};

extern "C" {
extern int nZeltavpn;
int fnZeltavpn(void);
}
