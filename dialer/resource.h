// Resource ids of dial.exe, grouped by dialog. Read by the resource compiler (dial.rc), by the
// dialer's code, and by the generator that builds the simulated host's copy of the resources.
#pragma once

// Icons.
#define IDI_APPLICATION_ICON 128
#define IDI_TRAY_IDLE 131
#define IDI_TRAY_CONNECTED 132
#define IDI_TRAY_CONNECTING 134
#define IDI_TRAY_ERROR 135

// About box (template 100).
#define IDD_ABOUTBOX 100
#define IDC_ABOUT_NOTICE 1016

// The main dialog (template 102).
#define IDD_DIALER 102
#define IDC_CONNECT 1
#define IDC_HANGUP 3
#define IDC_USER_NAME 1003
#define IDC_PASSWORD 1004
#define IDC_SAVE_PASSWORD 1005
#define IDC_LAUNCH_AT_BOOT 1006
#define IDC_CONNECT_AT_LAUNCH 1007
#define IDC_WAIT_FOR_WIRELESS 1008
#define IDC_HIDE_AFTER_CONNECT 1009
#define IDC_STATUS 1011
#define IDC_NETWORK_INFO 1012
#define IDC_BANNER 1015

// The SecurID dialog (template 133): the server's prompt and the user's answer.
#define IDD_SECURID 133
#define IDC_SECURID_PROMPT 1013
#define IDC_SECURID_ANSWER 1014

// The tray menu (menu 132) and its commands.
#define IDR_TRAY_MENU 132
#define IDM_LAUNCH_VPN 32771
#define IDM_TRAY_EXIT 32772

// The system menu's About item.
#define IDM_ABOUTBOX 16

// The string table: the system menu's About item, then the status texts.
#define IDS_ABOUTBOX 101
#define IDS_REDIALING 102
#define IDS_LOCAL_IP 103
#define IDS_SERVER_IP 104
#define IDS_CONNECTED_EXTERNALLY 105
#define IDS_ALREADY_CONNECTED 106
#define IDS_NOT_CONNECTED 107
#define IDS_WILL_REDIAL 108
#define IDS_DIAL_ERROR 109
#define IDS_TRY_AGAIN 110
#define IDS_TRY_REBOOTING 111
#define IDS_AUTHENTICATING 112
#define IDS_LOGGING_ON 113
#define IDS_NO_ROUTE 114
#define IDS_NOT_WIRELESS 115
#define IDS_NO_SWITCH 116
#define IDS_WIRED 117
#define IDS_STARTING_IPSEC 118
#define IDS_IPSEC_FAILED 119
#define IDS_RASDIAL_RETURNED 120
#define IDS_CONNECTING 121
#define IDS_DISCONNECTING 122
#define IDS_DISCONNECTED 123
#define IDS_SECURID_FAILED 124
#define IDS_PRODUCT_NAME 125
#define IDS_ENTRY_FAILED 126
#define IDS_SERVER_ADDRESS_UNUSABLE 127
#define IDS_PRESHARED_KEY_FAILED 128
// The notification icon's tip by state, and its balloon notes.
#define IDS_TIP_DISCONNECTED 129
#define IDS_TIP_LOOKING 130
#define IDS_TIP_CONNECTING 131
#define IDS_TIP_CONNECTED 132
#define IDS_TIP_REDIALLING 133
#define IDS_TIP_ERROR 134
#define IDS_BALLOON_CONNECTED 135
#define IDS_BALLOON_REDIALLING 136
#define IDS_BALLOON_GAVE_UP 137
