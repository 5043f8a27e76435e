// Control ids shared by the code and the resource script.
#ifndef HAZURO_RESOURCE_H
#define HAZURO_RESOURCE_H

#define IDC_APPLY        10000
#define IDC_CONFIG       10001

#define IDC_TITLE_EDIT   20000
#define IDC_ALPHA_SCROLL 20001
#define IDC_ALPHA_LABEL  20002
#define IDC_HOTKEY       20003
#define IDC_RULE_LIST    20004
#define IDC_RULE_ADD     20005
#define IDC_RULE_REMOVE  20006
#define IDC_RULE_PROGRAM 20007

// Items of the main window's system menu: multiples of 16 below 0xF000.
#define IDM_RESTORE      0x0010
#define IDM_AUTO         0x0020
#define IDM_ACTIVE       0x0030
#define IDM_HOVER        0x0040
#define IDM_EXIT_RESTORE 0x0050
#define IDM_WHEEL        0x0060
#define IDM_TRAY         0x0070
#define IDM_SHOW         0x0080

#endif
