// Resource ids of zeltavpn.dll. Read by the resource compiler (zeltavpn.rc), by the library's code,
// and by the generator that builds the simulated host's copy of the resources.
#pragma once

// The credentials dialog (template 101).
#define IDD_CREDENTIALS 101
#define IDC_CREDENTIALS_USER_NAME 1001
#define IDC_CREDENTIALS_PASSWORD 1002

// The library's message box: its text and title.
#define IDS_LINK_DOWN 201
#define IDS_ERROR_TITLE 202
