// The shortcut key: fades and gives back from whatever program is in front.
#ifndef HAZURO_HOTKEY_H
#define HAZURO_HOTKEY_H

#include <windows.h>

enum {
    HOTKEY_ID = 1,          // the main window's one registered key
    HOTKEY_NAME_SIZE = 160  // bytes for DescribeHotkey's name, NUL included
};

// RegisterHotKey's modifiers for a hotkey control's value. The two number
// Shift and Alt the other way round, and the control's extended-key flag is no
// modifier at all (its bit is MOD_WIN's).
UINT HotkeyModifiers(WORD hotkey);

// The key's name as the hotkey control shows it, such as "Ctrl + Alt + F9".
void DescribeHotkey(WORD hotkey, char *name);

// Registers Settings.hotkey for owner; when another program holds it, says so
// in a message box owned by owner.
void ApplyHotkey(HWND owner);

#endif
