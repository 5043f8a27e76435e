#include "settings/settings.h"

SettingsRecord Settings;

static const char kIniFileName[] = "hazuro.ini";
static const char kSection[] = "config";
static const char kDefaultTitle[] = "Internet Explorer";
static const int kDefaultAlpha = 32;

static char IniPath[SETTINGS_PATH_SIZE];  // filled at first use; empty until then

// Lead bytes of code page 932. Half-width katakana (0xA1-0xDF) are single
// bytes, so a top-bit test would swallow the backslash that follows them.
static bool IsLeadByte932(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length of the directory part, its trailing backslash included; 0 when the
// path has no separator.
static size_t DirectoryLength(const char *path)
{
    size_t dirLength = 0;
    size_t i = 0;
    while (path[i] != '\0') {
        unsigned char c = (unsigned char)path[i];
        if (IsLeadByte932(c) && path[i + 1] != '\0') {
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

void LoadSettingsFrom(const char *iniPath)
{
    if (iniPath == NULL) {
        lstrcpynA(Settings.ietitle, kDefaultTitle, sizeof Settings.ietitle);
        Settings.alpha = kDefaultAlpha;
        return;
    }
    GetPrivateProfileStringA(kSection, "ietitle", kDefaultTitle, Settings.ietitle,
                             sizeof Settings.ietitle, iniPath);
    int value = (int)GetPrivateProfileIntA(kSection, "alpha", kDefaultAlpha, iniPath);
    Settings.alpha = value < 0 ? 0 : value > 255 ? 255 : value;
}

void SaveSettingsTo(const char *iniPath)
{
    if (iniPath == NULL)
        return;
    char alphaText[16];
    WritePrivateProfileStringA(kSection, "ietitle", Settings.ietitle, iniPath);
    wsprintfA(alphaText, "%d", Settings.alpha);
    WritePrivateProfileStringA(kSection, "alpha", alphaText, iniPath);
}

void LoadSettings()
{
    LoadSettingsFrom(GetIniPath());
}

void SaveSettings()
{
    SaveSettingsTo(GetIniPath());
}
