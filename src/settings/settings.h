// The settings record and the settings file beside the executable.
#ifndef HAZURO_SETTINGS_H
#define HAZURO_SETTINGS_H

#include <windows.h>

#include <commctrl.h>

enum {
    SETTINGS_PATH_SIZE = 1024,  // bytes of the settings-file path buffer, NUL included
    TITLE_PATTERN_SIZE = 1024,  // bytes of ietitle, NUL included
    RULE_LIMIT = 16,            // rules in all, the first included
    DEFAULT_ALPHA = 32          // a rule's opacity until one is chosen
};

// Which windows to fade, and how far.
struct Rule {
    char ietitle[TITLE_PATTERN_SIZE];  // title pattern, or the program's file name; code page 932
    int alpha;                         // opacity given to the windows it matches, 0..255
    bool program;                      // ietitle names the program that owns the window
};

// The switches of the system menu, in its order.
enum Switch {
    SWITCH_AUTO,          // windows that come to match are faded as they appear
    SWITCH_ACTIVE,        // the active faded window is shown opaque
    SWITCH_HOVER,         // the faded window under the pointer is shown opaque
    SWITCH_WHEEL,         // Ctrl+Alt and the mouse wheel change a window's opacity
    SWITCH_EXIT_RESTORE,  // closing hazuro gives every faded window back
    SWITCH_TRAY,          // hazuro's icon is in the notification area, where it goes when minimised
    SWITCH_COUNT
};

struct SettingsRecord {
    // In the order they are tried. The first is always there and always a
    // title pattern, possibly empty; the others never have an empty text.
    Rule rules[RULE_LIMIT];
    int ruleCount;
    bool switches[SWITCH_COUNT];       // by Switch
    WORD hotkey;                       // shortcut key as the hotkey control gives it; 0 for none
};

extern SettingsRecord Settings;

// The shortcut key's rule, as the shell's own shortcut-key field has it: two
// modifiers at least, so that no key that programs use themselves (Ctrl+C,
// Alt+F4) is taken from every program. The field turns a key pressed with
// fewer into Ctrl+Alt+key; a value with fewer is no key.
enum { HOTKEY_TOO_FEW_MODIFIERS = HKCOMB_NONE | HKCOMB_S | HKCOMB_C | HKCOMB_A };

// Whether a hotkey control's value (virtual key in the low byte, HOTKEYF_
// flags in the high byte) is a key hazuro takes.
bool IsUsableHotkey(UINT value);

// Length of path's directory part, its trailing backslash included; 0 when
// there is none. Characters end where the ANSI code page says.
size_t DirectoryLength(const char *path);

// Writes the directory of modulePath followed by "hazuro.ini" into
// settingsPath (SETTINGS_PATH_SIZE bytes). Returns false, leaving it empty,
// when the result would not fit.
bool SettingsPathFor(const char *modulePath, char *settingsPath);

// The settings-file path, or NULL when the executable's own path cannot be had
// whole; then no settings file is read or written.
const char *GetIniPath();

void LoadSettings();
// Writes the rules and the shortcut key; false when the file could not be
// written.
bool SaveSettings();
// Writes one switch alone, as 1 or 0; false when the file could not be written.
bool SaveSwitch(Switch which);

// The same with an explicit file; a NULL path loads the defaults, and a save
// to it writes nothing and fails.
void LoadSettingsFrom(const char *iniPath);
bool SaveSettingsTo(const char *iniPath);

// Tells the user, in a message box owned by owner, that the settings could not
// be saved, and where hazuro tried to save them.
void ShowSaveFailure(HWND owner);

#endif
