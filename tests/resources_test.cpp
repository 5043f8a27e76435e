#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "resource.h"

static const WORD kEnglishUS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Reads the compiled dialog template field by field, as the dialog manager does.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE *data) : p(data) {}
    WORD Word()
    {
        WORD w;
        memcpy(&w, p, 2);
        p += 2;
        return w;
    }
    DWORD Dword()
    {
        DWORD d;
        memcpy(&d, p, 4);
        p += 4;
        return d;
    }
    BYTE Byte() { return *p++; }
    // A string or an ordinal (0xFFFF followed by the number, given as "#n").
    std::wstring Text()
    {
        WORD first = Word();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Word());
        std::wstring text;
        for (WORD c = first; c != 0; c = Word())
            text += (wchar_t)c;
        return text;
    }
    void AlignToDword(const BYTE *base)
    {
        while ((p - base) % 4 != 0)
            ++p;
    }
    const BYTE *p;
};

struct ExpectedControl {
    const wchar_t *windowClass;  // ordinal atom of the predefined class
    DWORD id;
    const wchar_t *text;
    DWORD style;
    short x, y, cx, cy;
};

TEST(Resources, SettingsDialogTemplateCarriesEveryField)
{
    HRSRC found = FindResourceExA(NULL, (LPCSTR)RT_DIALOG, "CONFIGDLG", kEnglishUS);
    ASSERT_NE(found, (HRSRC)NULL) << "CONFIGDLG under language 1033";
    const BYTE *base = (const BYTE *)LockResource(LoadResource(NULL, found));
    TemplateReader t(base);

    EXPECT_EQ(t.Word(), 1);       // dlgVer
    EXPECT_EQ(t.Word(), 0xFFFF);  // signature: extended template
    EXPECT_EQ(t.Dword(), 0u);     // helpID
    EXPECT_EQ(t.Dword(), 0u);     // exStyle
    EXPECT_EQ(t.Dword(), 0x80C800C0u);
    WORD count = t.Word();
    EXPECT_EQ(count, 13);
    EXPECT_EQ((short)t.Word(), 0);
    EXPECT_EQ((short)t.Word(), 0);
    EXPECT_EQ((short)t.Word(), 216);
    EXPECT_EQ((short)t.Word(), 180);
    EXPECT_EQ(t.Text(), L"");  // no menu
    EXPECT_EQ(t.Text(), L"");  // the platform's dialog class
    EXPECT_EQ(t.Text(), L"設定");
    EXPECT_EQ(t.Word(), 9);    // points
    EXPECT_EQ(t.Word(), 400);  // weight
    EXPECT_EQ(t.Byte(), 0);    // italic
    EXPECT_EQ(t.Byte(), 128);  // SHIFTJIS_CHARSET
    EXPECT_EQ(t.Text(), L"ＭＳ ゴシック");

    const ExpectedControl controls[] = {
        {L"#130", (DWORD)-1, L"IEとみなすウィンドウタイトル(部分一致)", 0x50020000, 8, 8, 200, 8},
        {L"#129", IDC_TITLE_EDIT, L"", 0x50810080, 8, 18, 200, 14},
        {L"#128", IDC_RULE_PROGRAM, L"プログラム名", 0x50010003, 8, 35, 200, 10},
        {L"#130", (DWORD)-1, L"透明度(大きいほど不透明)", 0x50020000, 8, 50, 200, 8},
        {L"#132", IDC_ALPHA_SCROLL, L"", 0x50010000, 8, 60, 182, 11},
        {L"#130", IDC_ALPHA_LABEL, L"255", 0x50020000, 190, 60, 18, 8},
        {L"#131", IDC_RULE_LIST, L"", 0x50a10101, 8, 76, 148, 46},
        {L"#128", IDC_RULE_ADD, L"追加", 0x50010000, 160, 76, 48, 14},
        {L"#128", IDC_RULE_REMOVE, L"削除", 0x50010000, 160, 94, 48, 14},
        {L"#130", (DWORD)-1, L"ショートカットキー(半透明にする/元に戻す)", 0x50020000, 8, 128, 200, 8},
        {L"MSCTLS_HOTKEY32", IDC_HOTKEY, L"", 0x50010000, 8, 138, 200, 14},
        {L"#128", IDOK, L"OK", 0x50010001, 80, 158, 60, 14},
        {L"#128", IDCANCEL, L"キャンセル", 0x50010000, 148, 158, 60, 14},
    };
    for (int i = 0; i < count && i < 13; ++i) {
        const ExpectedControl &c = controls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        t.AlignToDword(base);
        EXPECT_EQ(t.Dword(), 0u);  // helpID
        EXPECT_EQ(t.Dword(), 0u);  // exStyle
        EXPECT_EQ(t.Dword(), c.style);
        EXPECT_EQ((short)t.Word(), c.x);
        EXPECT_EQ((short)t.Word(), c.y);
        EXPECT_EQ((short)t.Word(), c.cx);
        EXPECT_EQ((short)t.Word(), c.cy);
        EXPECT_EQ(t.Dword(), c.id);
        EXPECT_EQ(t.Text(), c.windowClass);
        EXPECT_EQ(t.Text(), c.text);
        EXPECT_EQ(t.Word(), 0);  // no creation data
    }
}
