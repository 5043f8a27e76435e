#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "test_windows.h"
#include "transparency/match.h"

static std::string PathFor(const std::string &modulePath)
{
    char out[SETTINGS_PATH_SIZE];
    EXPECT_TRUE(SettingsPathFor(modulePath.c_str(), out)) << modulePath;
    return out;
}

TEST(SettingsPath, SitsBesideTheExecutable)
{
    EXPECT_EQ(PathFor("C:\\tools\\hazuro\\hazuro.exe"), "C:\\tools\\hazuro\\hazuro.ini");
    EXPECT_EQ(PathFor("\\\\server\\share\\hazuro.exe"), "\\\\server\\share\\hazuro.ini");
}

TEST(SettingsPath, TwoByteCharactersEndingIn5CAreNoSeparators)
{
    // 表 and ソ are 95 5C and 83 5C in code page 932.
    EXPECT_EQ(PathFor("C:\\表\\hazuro.exe"), "C:\\表\\hazuro.ini");
    EXPECT_EQ(PathFor("C:\\tools\\表ソ.exe"), "C:\\tools\\hazuro.ini");
}

TEST(SettingsPath, HalfWidthKatakanaAreSingleBytes)
{
    // ｱ (B1) and ﾝ (DD) are one byte each: the backslash after them is real.
    EXPECT_EQ(PathFor("C:\\ｱﾝ\\hazuro.exe"), "C:\\ｱﾝ\\hazuro.ini");
    EXPECT_EQ(PathFor("C:\\ｱ\\ﾃ\\x.exe"), "C:\\ｱ\\ﾃ\\hazuro.ini");
}

TEST(SettingsPath, LeadByteBeforeTheEndStopsTheScan)
{
    // Followed by more text in memory, so a scan that steps over the NUL shows.
    const char modulePath[] = "C:\\dir\\x\x81\0\\after";
    char out[SETTINGS_PATH_SIZE];
    ASSERT_TRUE(SettingsPathFor(modulePath, out));
    EXPECT_STREQ(out, "C:\\dir\\hazuro.ini");
    EXPECT_EQ(PathFor("\x81"), "\x81hazuro.ini");
}

// One rule for where a character ends, the path's as the title match's; the
// settings_western run holds it to code page 1252, where é (E9) is one byte.
TEST(SettingsPath, CharactersEndWhereTheAnsiCodePageSays)
{
    for (int c = 0x80; c <= 0xFF; ++c) {
        std::string directory = std::string("C:\\") + (char)c + "\\";
        bool separator = TitleContains(directory.c_str() + 3, "\\");
        EXPECT_EQ(PathFor(directory + "x.exe"), (separator ? directory : "C:\\") + "hazuro.ini");
    }
}

TEST(SettingsPath, PathWithoutSeparatorOrEmpty)
{
    EXPECT_EQ(PathFor("hazuro.exe"), "hazuro.exehazuro.ini");
    EXPECT_EQ(PathFor(""), "hazuro.ini");
}

TEST(SettingsPath, LongestDirectoryThatFitsAndOneByteMore)
{
    // "hazuro.ini" and the NUL take 11 of the 1024 bytes.
    std::string fits = "C:\\" + std::string(1013 - 4, 'd') + "\\";
    ASSERT_EQ(fits.size(), 1013u);
    EXPECT_EQ(PathFor(fits + "hazuro.exe"), fits + "hazuro.ini");

    std::string tooLong = "C:\\" + std::string(1014 - 4, 'd') + "\\hazuro.exe";
    char out[SETTINGS_PATH_SIZE + 16];
    memset(out, 'z', sizeof out);
    EXPECT_FALSE(SettingsPathFor(tooLong.c_str(), out));
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(out[SETTINGS_PATH_SIZE], 'z');
}

TEST(SettingsPath, InPlaceAndForThisExecutable)
{
    char buffer[SETTINGS_PATH_SIZE] = "C:\\a\\b.exe";
    ASSERT_TRUE(SettingsPathFor(buffer, buffer));
    EXPECT_STREQ(buffer, "C:\\a\\hazuro.ini");

    char module[SETTINGS_PATH_SIZE];
    GetModuleFileNameA(NULL, module, sizeof module);
    std::string expected(module);
    expected = expected.substr(0, expected.rfind('\\') + 1) + "hazuro.ini";
    ASSERT_NE(GetIniPath(), nullptr);
    EXPECT_EQ(std::string(GetIniPath()), expected);
    EXPECT_EQ(GetIniPath(), GetIniPath());
}

class SettingsFile : public testing::Test {
protected:
    void SetUp() override
    {
        directory = MakeTempDirectory();
        ini = directory + "hazuro.ini";
        lstrcpyA(Settings.rules[0].ietitle, "left over");
        Settings.rules[0].alpha = 99;
        Settings.ruleCount = 1;
    }
    void TearDown() override { RemoveDirectoryTree(directory); }

    void Load(const std::string &content)
    {
        WriteWholeFile(ini, content);
        LoadSettingsFrom(ini.c_str());
    }

    std::string directory;
    std::string ini;
};

TEST_F(SettingsFile, NoFileGivesTheDefaultsAndCreatesNone)
{
    LoadSettingsFrom(ini.c_str());
    EXPECT_STREQ(Settings.rules[0].ietitle, "Internet Explorer");
    EXPECT_EQ(Settings.rules[0].alpha, 32);
    EXPECT_FALSE(FileExists(ini));
}

TEST_F(SettingsFile, OpacityIsBroughtIntoRange)
{
    const struct {
        const char *stored;
        int loaded;
    } cases[] = {{"300", 255}, {"-7", 0}, {"255", 255}, {"0", 0}, {"128", 128}};
    for (const auto &c : cases) {
        Load(std::string("[config]\r\nalpha=") + c.stored + "\r\n");
        EXPECT_EQ(Settings.rules[0].alpha, c.loaded) << "alpha=" << c.stored;
        EXPECT_STREQ(Settings.rules[0].ietitle, "Internet Explorer");
    }
}

TEST_F(SettingsFile, PresentButEmptyTitleIsTheEmptyPattern)
{
    Load("[config]\r\nietitle=\r\nalpha=40\r\n");
    EXPECT_STREQ(Settings.rules[0].ietitle, "");
    EXPECT_EQ(Settings.rules[0].alpha, 40);
}

TEST_F(SettingsFile, LongTitleKeepsItsFirst1023Bytes)
{
    std::string title;
    for (int i = 0; title.size() < 1500; ++i)
        title += "ab" + std::to_string(i);
    title.resize(1500);
    Load("[config]\r\nietitle=" + title + "\r\n");
    EXPECT_EQ(std::string(Settings.rules[0].ietitle), title.substr(0, 1023));
}

TEST_F(SettingsFile, SavingWritesBothKeysTitleFirst)
{
    lstrcpyA(Settings.rules[0].ietitle, "Internet Explorer");
    Settings.rules[0].alpha = 32;
    EXPECT_TRUE(SaveSettingsTo(ini.c_str()));
    std::string content = ReadWholeFile(ini);
    size_t title = content.find("ietitle=Internet Explorer");
    size_t alpha = content.find("alpha=32");
    ASSERT_NE(title, std::string::npos) << content;
    ASSERT_NE(alpha, std::string::npos) << content;
    EXPECT_LT(title, alpha);
    EXPECT_NE(content.find("[config]"), std::string::npos);
}

// Numbers may be missing; a rule without a text is none; a title text holds
// over a program name of the same number.
TEST_F(SettingsFile, RulesAreReadInOrderOverGapsAndWithoutEmptyOnes)
{
    Load("[config]\r\nietitle=first\r\nalpha=10\r\nprogram3=MSEDGE.exe\r\nalpha3=300\r\n"
         "ietitle4=\r\nalpha4=50\r\nietitle5=five\r\nprogram5=no\r\nprogram16=last\r\n"
         "ietitle17=beyond\r\n");
    const Rule rules[] = {{"first", 10, false}, {"MSEDGE.exe", 255, true}, {"five", 32, false},
                          {"last", 32, true}};
    ASSERT_EQ(Settings.ruleCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(Settings.rules[i].ietitle, rules[i].ietitle);
        EXPECT_EQ(Settings.rules[i].alpha, rules[i].alpha);
        EXPECT_EQ(Settings.rules[i].program, rules[i].program);
    }
}

// Renumbered without gaps, nothing stale left, every text back as it was; a
// file of one rule gets no key of the others.
TEST_F(SettingsFile, RulesAreSavedNumberedWithoutGaps)
{
    const std::string one = "[config]\r\nietitle=a\r\nalpha=1\r\n";
    Load(one);
    ASSERT_TRUE(SaveSettingsTo(ini.c_str()));
    EXPECT_EQ(ReadWholeFile(ini), one);
    Load(one + "ietitle7=x\r\nalpha7=7\r\nprogram9=y\r\n");
    Settings.rules[1] = {" two ", 2, false};
    Settings.rules[2] = {"msedge.exe", 3, true};
    ASSERT_TRUE(SaveSettingsTo(ini.c_str()));
    EXPECT_EQ(ReadWholeFile(ini),
              one + "ietitle2=\" two \"\r\nalpha2=2\r\nprogram3=msedge.exe\r\nalpha3=3\r\n");
    LoadSettingsFrom(ini.c_str());
    EXPECT_STREQ(Settings.rules[1].ietitle, " two ");
}

TEST_F(SettingsFile, OnlyAShortcutKeyWithTwoModifiersIsTaken)
{
    Load("[config]\r\nhotkey=833\r\n");  // Ctrl+Shift+A
    EXPECT_EQ(Settings.hotkey, 833);
    // A, Shift+A, Ctrl+A, Alt+F4, Ctrl+Alt without a key, an unknown flag, a
    // bit beyond 16, no number.
    for (const char *none : {"65", "321", "577", "1139", "1536", "5697", "67192", "x"}) {
        Load(std::string("[config]\r\nhotkey=") + none + "\r\n");
        EXPECT_EQ(Settings.hotkey, 0) << none;
    }
}

TEST_F(SettingsFile, EveryPatternComesBackByteForByte)
{
    // Reading drops blanks and one pair of quotation marks around a value;
    // only patterns that would lose something are written quoted. The longest
    // pattern, quoted, fills a buffer of its own size with its closing mark.
    const std::string full = " " + std::string(1022, 'q');
    const struct {
        std::string pattern;
        bool quoted;
    } cases[] = {
        {"メモ帳 - 表示", false}, {"", false},           {" - メモ帳", true},
        {"trail ", true},         {"\tTab", true},       {"tab\t", true},
        {" \t ", true},          {"\"x\"", true},        {"'x'", true},
        {"\"", false},            {"a\"b", false},        {"'x\"", false},
        {"表", false},            {"ソ ", true},          {full, true},
    };
    for (const auto &c : cases) {
        lstrcpyA(Settings.rules[0].ietitle, c.pattern.c_str());
        Settings.rules[0].alpha = 0;
        ASSERT_TRUE(SaveSettingsTo(ini.c_str()));
        std::string written = c.quoted ? "\"" + c.pattern + "\"" : c.pattern;
        EXPECT_NE(ReadWholeFile(ini).find("ietitle=" + written + "\r\n"), std::string::npos)
            << "[" << c.pattern << "]";
        lstrcpyA(Settings.rules[0].ietitle, "other");
        Settings.rules[0].alpha = 200;
        LoadSettingsFrom(ini.c_str());
        EXPECT_EQ(std::string(Settings.rules[0].ietitle), c.pattern);
        EXPECT_EQ(Settings.rules[0].alpha, 0);
        DeleteFileA(ini.c_str());
    }
}

TEST_F(SettingsFile, WithoutAPathOrWhereWritingFailsASaveSaysSo)
{
    EXPECT_FALSE(SaveSettingsTo(NULL));
    ASSERT_TRUE(CreateDirectoryA(ini.c_str(), NULL));
    EXPECT_FALSE(SaveSettingsTo(ini.c_str()));
    RemoveDirectoryA(ini.c_str());

    LoadSettingsFrom(NULL);
    EXPECT_STREQ(Settings.rules[0].ietitle, "Internet Explorer");
    EXPECT_EQ(Settings.rules[0].alpha, 32);

    char windowsDirectory[MAX_PATH];
    GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    EXPECT_FALSE(FileExists(std::string(windowsDirectory) + "\\hazuro.ini"));
}
