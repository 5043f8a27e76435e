#include "app/hotkey.h"

#include <commctrl.h>

#include "settings/settings.h"

enum { KEY_NAME_SIZE = 32 };  // bytes for one key's name

UINT HotkeyModifiers(WORD hotkey)
{
    BYTE flags = HIBYTE(hotkey);
    return (flags & HOTKEYF_SHIFT ? MOD_SHIFT : 0) | (flags & HOTKEYF_CONTROL ? MOD_CONTROL : 0) |
           (flags & HOTKEYF_ALT ? MOD_ALT : 0);
}

static char *AppendKeyName(char *end, UINT key, bool extended)
{
    LONG scanCode = (LONG)MapVirtualKeyA(key, 0) << 16;
    if (extended)
        scanCode |= 1 << 24;
    return end + GetKeyNameTextA(scanCode, end, KEY_NAME_SIZE);
}

void DescribeHotkey(WORD hotkey, char *name)
{
    // In the control's order, each named as the keyboard layout names it.
    static const BYTE kModifiers[][2] = {
        {HOTKEYF_CONTROL, VK_CONTROL}, {HOTKEYF_SHIFT, VK_SHIFT}, {HOTKEYF_ALT, VK_MENU}};
    char *end = name;
    for (const BYTE *modifier : kModifiers) {
        if (HIBYTE(hotkey) & modifier[0]) {
            end = AppendKeyName(end, modifier[1], false);
            lstrcpynA(end, " + ", 4);
            end += 3;
        }
    }
    *AppendKeyName(end, LOBYTE(hotkey), (HIBYTE(hotkey) & HOTKEYF_EXT) != 0) = '\0';
}

void ApplyHotkey(HWND owner)
{
    WORD hotkey = Settings.hotkey;
    if (hotkey == 0 || RegisterHotKey(owner, HOTKEY_ID, HotkeyModifiers(hotkey), LOBYTE(hotkey)))
        return;
    char name[HOTKEY_NAME_SIZE];
    char text[HOTKEY_NAME_SIZE + 128];
    DescribeHotkey(hotkey, name);
    wsprintfA(text,
              "ショートカットキー「%s」は、ほかのプログラムが使っているため使えません。\r\n"
              "「設定」でほかのキーを選べます。",
              name);
    MessageBoxA(owner, text, "hazuro", MB_OK | MB_ICONWARNING);
}
