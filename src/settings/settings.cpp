#include "settings/settings.h"

#include <commctrl.h>

SettingsRecord Settings;

static const char kIniFileName[] = "hazuro.ini";
static const char kSection[] = "config";
static const char kDefaultTitle[] = "Internet Explorer";
// The switches' keys, by Switch.
static const char kSwitchKeys[] = "auto\0active\0hover\0wheel\0restoreatexit\0tray";
static const char kMissing[] = "\x01";  // what a missing text reads as: no text of the file is it

static char IniPath[SETTINGS_PATH_SIZE];  // filled at first use; empty until then

// As for the file system's own ANSI functions and for the title match.
size_t DirectoryLength(const char *path)
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

static const char *SwitchKey(int which)
{
    const char *key = kSwitchKeys;
    while (which-- > 0)
        while (*key++ != '\0') {
        }
    return key;
}

// A number of the file's section, or fallback where there is no file.
static UINT ReadNumber(const char *key, UINT fallback, const char *iniPath)
{
    return iniPath != NULL ? GetPrivateProfileIntA(kSection, key, fallback, iniPath) : fallback;
}

// The key of rule n (1 for the first) named by base: "ietitle", "ietitle2", ...
static const char *RuleKey(char *key, const char *base, int n)
{
    wsprintfA(key, n > 1 ? "%s%d" : "%s", base, n);
    return key;
}

// Rule n's text under base into text (TITLE_PATTERN_SIZE bytes).
static void ReadRuleText(const char *base, int n, const char *fallback, char *text,
                         const char *iniPath)
{
    // Room for the quotation marks of a quoted pattern of full length: a buffer
    // that the closing mark would fill may lose the pattern's last byte with it.
    char value[TITLE_PATTERN_SIZE + 2];
    char key[16];
    RuleKey(key, base, n);
    if (iniPath != NULL)
        GetPrivateProfileStringA(kSection, key, fallback, value, sizeof value, iniPath);
    else
        lstrcpynA(value, fallback, sizeof value);
    lstrcpynA(text, value, TITLE_PATTERN_SIZE);
}

void LoadSettingsFrom(const char *iniPath)
{
    char key[16];
    int count = 0;
    // Numbers may be missing from a file edited by hand: the rules close up.
    for (int n = 1; n <= RULE_LIMIT; ++n) {
        Rule &rule = Settings.rules[count];
        ReadRuleText("ietitle", n, n == 1 ? kDefaultTitle : kMissing, rule.ietitle, iniPath);
        rule.program = rule.ietitle[0] == kMissing[0] && rule.ietitle[1] == '\0';
        if (rule.program)
            ReadRuleText("program", n, "", rule.ietitle, iniPath);
        if (n > 1 && rule.ietitle[0] == '\0')
            continue;
        int value = (int)ReadNumber(RuleKey(key, "alpha", n), DEFAULT_ALPHA, iniPath);
        rule.alpha = value < 0 ? 0 : value > 255 ? 255 : value;
        ++count;
    }
    Settings.ruleCount = count;
    for (int i = 0; i < SWITCH_COUNT; ++i)
        Settings.switches[i] = ReadNumber(SwitchKey(i), 0, iniPath) != 0;
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

// value under base with rule n's number; NULL takes the key out.
static bool WriteRuleValue(const char *base, int n, const char *value, const char *iniPath)
{
    char key[16];
    return WriteValue(RuleKey(key, base, n), value, iniPath);
}

// Rules are written numbered without gaps, each key of a number no longer in
// use taken out; a file without added rules gets no key of them.
bool SaveSettingsTo(const char *iniPath)
{
    if (iniPath == NULL)
        return false;
    char quoted[TITLE_PATTERN_SIZE + 2];
    char number[16];
    bool saved = true;
    for (int n = 1; n <= RULE_LIMIT; ++n) {
        const Rule &rule = Settings.rules[n - 1];
        bool used = n <= Settings.ruleCount;
        const char *text = used ? ValueToWrite(rule.ietitle, quoted) : NULL;
        wsprintfA(number, "%d", rule.alpha);
        saved &= WriteRuleValue("ietitle", n, rule.program ? NULL : text, iniPath) &
                 WriteRuleValue("program", n, rule.program ? text : NULL, iniPath) &
                 WriteRuleValue("alpha", n, used ? number : NULL, iniPath);
    }
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

bool SaveSwitch(Switch which)
{
    const char *path = GetIniPath();
    return path != NULL && WriteNumber(SwitchKey(which), Settings.switches[which], path);
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
