#include "settings/settings.h"

#include <commctrl.h>

SettingsRecord Settings;

static const char kIniFileName[] = "hazuro.ini";
static const char kSection[] = "config";
static const char kDefaultTitle[] = "Internet Explorer";
static const int kDefaultAlpha = 32;

static char IniPath[SETTINGS_PATH_SIZE];  // filled at first use; empty until then

// Length of the directory part, its trailing backslash included; 0 when the
// path has no separator. Characters end where the ANSI code page says, as
// for the file system's own ANSI functions and for the title match.
static size_t DirectoryLength(const char *path)
{
    size_t dirLength = 0;
    size_t i = 0;
    while (path[i] != '\0') {
        unsigned char c = (unsigned char)path[i];
        if (IsDBCSLeadByte(c) && path[i + 1] != '\0') {
            i += 2;  // the trail byte may be 0x5C and is no separator
            continue;
        }
        ++i;
        if (c == '\\')
            dirLength = i;
    }
    return dirLength;
}

static size_t TextLength(const char *text)
{
    size_t n = 0;
    while (text[n] != '\0')
        ++n;
    return n;
}

bool SettingsPathFor(const char *modulePath, char *settingsPath)
{
    size_t keep = DirectoryLength(modulePath);
    if (keep == 0)
        keep = TextLength(modulePath);
    if (keep + sizeof kIniFileName > SETTINGS_PATH_SIZE) {
        settingsPath[0] = '\0';
        return false;
    }
    // Copies forward, so settingsPath may be modulePath itself.
    for (size_t i = 0; i < keep; ++i)
        settingsPath[i] = modulePath[i];
    settingsPath[keep] = '\0';
    lstrcatA(settingsPath, kIniFileName);
    return true;
}

const char *GetIniPath()
{
    if (IniPath[0] != '\0')
        return IniPath;

    char modulePath[SETTINGS_PATH_SIZE];
    DWORD length = GetModuleFileNameA(NULL, modulePath, sizeof modulePath);
    // A result that fills the buffer may have been cut (and XP leaves it
    // without a NUL); a path without a directory would send the private-profile
    // functions to the Windows directory. Neither is where the file belongs.
    if (length == 0 || length >= sizeof modulePath)
        return NULL;
    if (DirectoryLength(modulePath) == 0)
        return NULL;
    if (!SettingsPathFor(modulePath, IniPath))
        return NULL;
    return IniPath;
}

bool IsUsableHotkey(UINT value)
{
    BYTE flags = HIBYTE(value);
    BYTE modifiers = flags & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT);
    // Two of the three bits at least; any two include Ctrl or Alt.
    return value <= 0xFFFF && LOBYTE(value) != 0 && (flags & ~(modifiers | HOTKEYF_EXT)) == 0 &&
           (modifiers & (modifiers - 1)) != 0;
}

// A number of the file's section, or fallback where there is no file.
static UINT ReadNumber(const char *key, UINT fallback, const char *iniPath)
{
    return iniPath != NULL ? GetPrivateProfileIntA(kSection, key, fallback, iniPath) : fallback;
}

void LoadSettingsFrom(const char *iniPath)
{
    // Room for the quotation marks of a quoted pattern of full length: a buffer
    // that the closing mark would fill may lose the pattern's last byte with it.
    char title[TITLE_PATTERN_SIZE + 2];
    if (iniPath != NULL)
        GetPrivateProfileStringA(kSection, "ietitle", kDefaultTitle, title, sizeof title, iniPath);
    else
        lstrcpynA(title, kDefaultTitle, sizeof title);
    lstrcpynA(Settings.ietitle, title, sizeof Settings.ietitle);
    int value = (int)ReadNumber("alpha", kDefaultAlpha, iniPath);
    Settings.alpha = value < 0 ? 0 : value > 255 ? 255 : value;
    Settings.autoFade = ReadNumber("auto", 0, iniPath) != 0;
    Settings.activeOpaque = ReadNumber("active", 0, iniPath) != 0;
    UINT hotkey = ReadNumber("hotkey", 0, iniPath);
    Settings.hotkey = IsUsableHotkey(hotkey) ? (WORD)hotkey : 0;
}

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Reading a value drops the blanks around it and one pair of quotation marks
// around it. A pattern that would lose either is written inside double
// quotation marks, which reading takes off again; every other pattern is
// written as it is, so files stay readable by earlier versions both ways.
static const char *ValueToWrite(const char *pattern, char *quoted)
{
    size_t length = TextLength(pattern);
    if (length == 0)
        return pattern;
    char first = pattern[0];
    char last = pattern[length - 1];
    bool quotes = length >= 2 && first == last && (first == '"' || first == '\'');
    if (!IsBlank(first) && !IsBlank(last) && !quotes)
        return pattern;
    quoted[0] = '"';
    lstrcpynA(quoted + 1, pattern, TITLE_PATTERN_SIZE);
    lstrcatA(quoted, "\"");
    return quoted;
}

// A value of the file's section; NULL takes the key out.
static bool WriteValue(const char *key, const char *value, const char *iniPath)
{
    return WritePrivateProfileStringA(kSection, key, value, iniPath) != 0;
}

static bool WriteNumber(const char *key, int value, const char *iniPath)
{
    char text[16];
    wsprintfA(text, "%d", value);
    return WriteValue(key, text, iniPath);
}

bool SaveSettingsTo(const char *iniPath)
{
    if (iniPath == NULL)
        return false;
    char quoted[TITLE_PATTERN_SIZE + 2];
    bool saved = WriteValue("ietitle", ValueToWrite(Settings.ietitle, quoted), iniPath);
    saved = WriteNumber("alpha", Settings.alpha, iniPath) && saved;
    // No key, no line: the file of a user who never sets one stays as it was.
    return (Settings.hotkey != 0 ? WriteNumber("hotkey", Settings.hotkey, iniPath)
                                 : WriteValue("hotkey", NULL, iniPath)) &&
           saved;
}

void LoadSettings()
{
    LoadSettingsFrom(GetIniPath());
}

bool SaveSettings()
{
    return SaveSettingsTo(GetIniPath());
}

// A switch of the system menu, as 1 or 0.
static bool SaveSwitch(const char *key, bool on)
{
    const char *path = GetIniPath();
    return path != NULL && WriteNumber(key, on, path);
}

bool SaveAutoFade()
{
    return SaveSwitch("auto", Settings.autoFade);
}

bool SaveActiveOpaque()
{
    return SaveSwitch("active", Settings.activeOpaque);
}

void ShowSaveFailure(HWND owner)
{
    static const char kFailed[] = "設定を保存できませんでした。\r\n";
    static const char kStillInForce[] = "\r\n新しい設定は、hazuro を終了するまで使われます。";
    char text[sizeof kFailed + SETTINGS_PATH_SIZE + sizeof kStillInForce];
    lstrcpynA(text, kFailed, sizeof text);
    const char *path = GetIniPath();
    if (path != NULL) {
        lstrcatA(text, path);
        lstrcatA(text, "\r\n");
    }
    lstrcatA(text, kStillInForce);
    MessageBoxA(owner, text, "hazuro", MB_OK | MB_ICONWARNING);
}
