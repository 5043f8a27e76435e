// Control ids shared by the code and the resource script.
#ifndef HAZURO_RESOURCE_H
#define HAZURO_RESOURCE_H

#define IDC_APPLY        10000
#define IDC_CONFIG       10001

#define IDC_TITLE_EDIT   20000
#define IDC_ALPHA_SCROLL 20001
#define IDC_ALPHA_LABEL  20002

#endif
