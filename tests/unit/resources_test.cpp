// The program's resources as the system reads them from the linked image: the dialog template,
// its button properties, the news strings, the pictures, the icon, the manifest and the version.
#include "framework/controls.h"
#include "framework/strings.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

struct Blob {
    const BYTE* data = nullptr;
    size_t size = 0;
};

Blob FindBlob(const wchar_t* type, const wchar_t* name) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(self, name, type);
    if (!res) return {};
    HGLOBAL h = ::LoadResource(self, res);
    return {static_cast<const BYTE*>(::LockResource(h)), ::SizeofResource(self, res)};
}

WORD Word(const BYTE* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}
DWORD Dword(const BYTE* p) {
    return Word(p) | (static_cast<DWORD>(Word(p + 2)) << 16);
}

// A reader of an extended dialog template, strict about its bounds.
class TemplateReader {
  public:
    explicit TemplateReader(Blob b) : m_b(b) {}
    bool ok() const { return m_ok; }
    WORD word() {
        if (!need(2)) return 0;
        m_pos += 2;
        return Word(m_b.data + m_pos - 2);
    }
    DWORD dword() {
        DWORD lo = word();
        return lo | (static_cast<DWORD>(word()) << 16);
    }
    short coord() { return static_cast<short>(word()); }
    BYTE byte() {
        if (!need(1)) return 0;
        return m_b.data[m_pos++];
    }
    std::wstring text() {
        std::wstring s;
        for (WORD c; (c = word()) != 0 && m_ok;)
            s += static_cast<wchar_t>(c);
        return s;
    }
    // A name or an ordinal: ordinals come back as "#<n>".
    std::wstring nameOrOrdinal() {
        if (!need(2)) return L"";
        if (Word(m_b.data + m_pos) == 0xFFFF) {
            word();
            return L"#" + std::to_wstring(word());
        }
        return text();
    }
    void alignDword() { m_pos = (m_pos + 3) & ~size_t(3); }
    void skip(size_t n) {
        if (need(n)) m_pos += n;
    }

  private:
    bool need(size_t n) {
        if (m_b.size - m_pos < n) m_ok = false;
        return m_ok;
    }
    Blob m_b;
    size_t m_pos = 0;
    bool m_ok = true;
};

struct Item {
    DWORD style, exStyle;
    short x, y, cx, cy;
    DWORD id;
    std::wstring cls, text;
};

struct Dialog {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, cls, caption, face;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::vector<Item> items;
};

bool ReadTemplate(Blob b, Dialog& d) {
    TemplateReader r(b);
    if (r.word() != 1 || r.word() != 0xFFFF) return false; // DLGTEMPLATEEX only
    r.dword();                                             // help id
    d.exStyle = r.dword();
    d.style = r.dword();
    WORD count = r.word();
    d.x = r.coord(), d.y = r.coord(), d.cx = r.coord(), d.cy = r.coord();
    d.menu = r.nameOrOrdinal();
    d.cls = r.nameOrOrdinal();
    d.caption = r.text();
    if (d.style & DS_SETFONT) {
        d.pointSize = r.word();
        d.weight = r.word();
        d.italic = r.byte();
        d.charset = r.byte();
        d.face = r.text();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.alignDword();
        Item it{};
        r.dword(); // help id
        it.exStyle = r.dword();
        it.style = r.dword();
        it.x = r.coord(), it.y = r.coord(), it.cx = r.coord(), it.cy = r.coord();
        it.id = r.dword();
        it.cls = r.nameOrOrdinal();
        it.text = r.nameOrOrdinal();
        r.skip(r.word()); // creation data
        d.items.push_back(it);
    }
    return r.ok();
}

std::wstring Upper(std::wstring s) {
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(::towupper(c));
    return s;
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[64] = {};
    ::GetClassNameW(h, buf, 64);
    return buf;
}

const DWORD kText = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
const DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
const wchar_t kStatic[] = L"#130"; // the predefined atom of the static class

// The main dialog's controls in template (and tab) order.
struct ControlRow {
    int id;
    const wchar_t* tmplClass; // as the template names it
    const wchar_t* liveClass; // as the created window reports it
    const wchar_t* text;
    short x, y, cx, cy;
    DWORD style;
} const kControls[] = {
    {IDC_PROGRESS, L"msctls_progress32", L"msctls_progress32", L"", 17, 152, 185, 10,
     WS_CHILD | WS_VISIBLE | PBS_SMOOTH},
    {IDC_STATUS, kStatic, L"Static", L"IDC_STATUS", 121, 7, 153, 19,
     WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER},
    {IDC_PACKAGE_SIZE, kStatic, L"Static", L"--", 229, 140, 44, 8, kText},
    {IDC_PERCENT, kStatic, L"Static", L"--", 177, 139, 23, 8, kText},
    {IDC_SPEED, kStatic, L"Static", L"--", 229, 153, 44, 8, kText},
    {IDC_LABEL_DONE, kStatic, L"Static", L"已完成:", 149, 139, 24, 8, kText},
    {IDC_LABEL_SIZE, kStatic, L"Static", L"大小:", 209, 139, 17, 8, kText},
    {IDC_LABEL_SPEED, kStatic, L"Static", L"速度:", 209, 153, 17, 8, kText},
    {IDC_NEWS, kStatic, L"Static",
     L"使用该下载器下载多媒体发布系统的安装包，并在下载完毕后自动解压安装", 146, 75, 118, 46,
     kText},
    {IDC_PROGRESS_CAPTION, kStatic, L"Static", L"正在获取和安装kelq数字标牌...", 17, 140, 96, 8,
     kText},
    {IDC_HEADING, kStatic, L"Static", L"即将安装kelq数字标牌软件", 22, 56, 122, 20,
     kText & ~WS_VISIBLE},
    {IDC_NEXT, L"MfcButton", L"MfcButton", L"下一步", 196, 177, 36, 14, kButton & ~WS_VISIBLE},
    {IDC_PAUSE, L"MfcButton", L"MfcButton", L"暂停下载", 236, 177, 36, 14, kButton},
    {IDC_NOTICE, kStatic, L"Static", L"安装过程如有个别杀毒软件误拦截，请选择放行", 134, 27, 149,
     13, kText},
};

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// The main dialog opened from its template, as the program opens it, with its init data applied.
// It opens hidden: under Wine without a window manager, hiding a shown window waits 2 s for the
// X server. The controls keep their own visibility styles.
class MainDialog {
  public:
    MainDialog() {
        AfxRegisterControlClasses();
        Blob b = FindBlob(RT_DIALOG, MAKEINTRESOURCEW(IDD_DOWNLOADER_DIALOG));
        std::vector<BYTE> copy(b.data, b.data + b.size);
        if (copy.size() < 16) return;
        DWORD style = Dword(&copy[12]) & ~WS_VISIBLE; // DLGTEMPLATEEX.style
        std::memcpy(&copy[12], &style, 4);
        m_hWnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                              reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()),
                                              nullptr, &QuietDialogProc, 0);
        if (m_hWnd) AfxApplyDialogInitData(m_hWnd, IDD_DOWNLOADER_DIALOG);
    }
    ~MainDialog() {
        if (m_hWnd) ::DestroyWindow(m_hWnd);
    }
    HWND m_hWnd = nullptr;
};

bool Shown(HWND h) {
    return (::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0;
}

} // namespace

TEST(DialogTemplate, WindowCaptionFontAndSize) {
    Dialog d;
    ASSERT_TRUE(ReadTemplate(FindBlob(RT_DIALOG, MAKEINTRESOURCEW(IDD_DOWNLOADER_DIALOG)), d));
    EXPECT_EQ(d.style, DWORD(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                             DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS));
    EXPECT_EQ(d.exStyle, DWORD(WS_EX_APPWINDOW));
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.cx, 287);
    EXPECT_EQ(d.cy, 203);
    EXPECT_EQ(d.menu, L"");
    EXPECT_EQ(d.cls, L"");
    EXPECT_EQ(d.caption, L"kelq数字标牌软件(多媒体发布系统)");
    EXPECT_EQ(d.pointSize, 9);
    EXPECT_EQ(d.weight, 0);
    EXPECT_EQ(d.italic, 0);
    EXPECT_EQ(d.charset, DEFAULT_CHARSET);
    EXPECT_EQ(d.face, L"MS Shell Dlg");
}

TEST(DialogTemplate, ControlsInOrder) {
    Dialog d;
    ASSERT_TRUE(ReadTemplate(FindBlob(RT_DIALOG, MAKEINTRESOURCEW(IDD_DOWNLOADER_DIALOG)), d));
    ASSERT_EQ(d.items.size(), std::size(kControls));
    for (size_t i = 0; i < d.items.size(); ++i) {
        const Item& it = d.items[i];
        const ControlRow& want = kControls[i];
        SCOPED_TRACE("control " + std::to_string(want.id));
        EXPECT_EQ(it.id, DWORD(want.id));
        // windres writes class names in capitals; window classes are matched without case, and
        // the live windows below report the registered spelling.
        EXPECT_EQ(Upper(it.cls), Upper(want.tmplClass));
        EXPECT_EQ(it.text, want.text);
        EXPECT_EQ(it.x, want.x);
        EXPECT_EQ(it.y, want.y);
        EXPECT_EQ(it.cx, want.cx);
        EXPECT_EQ(it.cy, want.cy);
        EXPECT_EQ(it.style, want.style) << std::hex << it.style;
        EXPECT_EQ(it.exStyle, 0u);
    }
}

TEST(DialogTemplate, OpensWithLiveControlsInTabOrder) {
    MainDialog dlg;
    ASSERT_NE(dlg.m_hWnd, nullptr);
    HWND child = ::GetWindow(dlg.m_hWnd, GW_CHILD);
    for (const ControlRow& want : kControls) {
        SCOPED_TRACE("control " + std::to_string(want.id));
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(::GetDlgCtrlID(child), want.id);
        EXPECT_EQ(ClassOf(child), want.liveClass);
        EXPECT_EQ(Shown(child), (want.style & WS_VISIBLE) != 0);
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "a window beyond the template's controls";
}

TEST(Strings, NewsLinesExactly) {
    struct {
        UINT id;
        const wchar_t* text;
    } const rows[] = {
        {IDS_NEWS_DOWNLOADING, L"kelq数字标牌程序正在下载在线安装包，请等待…"},
        {IDS_NEWS_FEATURES, L"新增在线模板资源、图形化监控、免设置IP，众多惊喜功能"},
        {IDS_NEWS_TEMPLATES, L"在线下载各种精美模板，简单制作、一键发布"},
        {IDS_NEWS_MONITORING, L"图形化终端监控，终端屏幕内容即时监控"},
        {IDS_NEWS_NO_IP, L"无需设置IP地址，自动搜索播放端电脑"},
    };
    for (auto& row : rows) {
        const wchar_t* p = nullptr;
        // Length 0 returns the resource text itself, without a terminator: exact code units.
        int n = ::LoadStringW(::GetModuleHandleW(nullptr), row.id, reinterpret_cast<LPWSTR>(&p), 0);
        ASSERT_GT(n, 0) << row.id;
        EXPECT_EQ(std::wstring(p, n), row.text) << row.id;
    }
    EXPECT_EQ(IDS_NEWS_NO_IP - IDS_NEWS_DOWNLOADING, 4);
}

TEST(Images, FormatsAndSizes) {
    Blob gif = FindBlob(L"IMAGE", MAKEINTRESOURCEW(IDR_IMAGE_LOGO));
    ASSERT_GE(gif.size, 13u);
    EXPECT_EQ(std::memcmp(gif.data, "GIF89a", 6), 0);
    EXPECT_EQ(Word(gif.data + 6), 212);
    EXPECT_EQ(Word(gif.data + 8), 52);

    Blob jpg = FindBlob(L"IMAGE", MAKEINTRESOURCEW(IDR_IMAGE_PRODUCT));
    ASSERT_GE(jpg.size, 4u);
    ASSERT_EQ(Word(jpg.data), 0xD8FF) << "no JPEG start marker";
    // Walk the markers to the frame header: it must be the baseline one, 8-bit, 190 x 130, with
    // three components.
    size_t pos = 2;
    bool found = false;
    while (pos + 4 <= jpg.size && jpg.data[pos] == 0xFF) {
        BYTE marker = jpg.data[pos + 1];
        size_t len = (jpg.data[pos + 2] << 8) | jpg.data[pos + 3];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            ASSERT_LE(pos + 10, jpg.size);
            EXPECT_EQ(marker, 0xC0) << "not a baseline frame";
            EXPECT_EQ(jpg.data[pos + 4], 8);
            EXPECT_EQ((jpg.data[pos + 5] << 8) | jpg.data[pos + 6], 130);
            EXPECT_EQ((jpg.data[pos + 7] << 8) | jpg.data[pos + 8], 190);
            EXPECT_EQ(jpg.data[pos + 9], 3);
            found = true;
            break;
        }
        pos += 2 + len;
    }
    EXPECT_TRUE(found) << "no frame header";

    Blob copy = FindBlob(L"IMAGE", MAKEINTRESOURCEW(IDR_IMAGE_PRODUCT2));
    ASSERT_EQ(copy.size, jpg.size);
    EXPECT_EQ(std::memcmp(copy.data, jpg.data, jpg.size), 0);
    // "IMAGE" is a named type: nothing under a numbered type may stand in for it.
    EXPECT_EQ(FindBlob(RT_RCDATA, MAKEINTRESOURCEW(IDR_IMAGE_LOGO)).data, nullptr);
}

TEST(Icon, NineImages) {
    Blob dir = FindBlob(RT_GROUP_ICON, MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_GE(dir.size, 6u);
    WORD count = Word(dir.data + 4);
    ASSERT_EQ(count, 9);
    ASSERT_EQ(dir.size, 6u + 14u * count);
    std::set<std::pair<int, int>> seen;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* e = dir.data + 6 + 14 * i;
        int size = e[0], bpp = Word(e + 6);
        DWORD bytes = Dword(e + 8);
        WORD nId = Word(e + 12);
        SCOPED_TRACE(std::to_string(size) + " px, " + std::to_string(bpp) + " bpp");
        seen.insert({size, bpp});
        EXPECT_EQ(e[1], size);
        EXPECT_EQ(e[2], bpp == 4 ? 16 : 0);
        Blob img = FindBlob(RT_ICON, MAKEINTRESOURCEW(nId));
        ASSERT_EQ(img.size, bytes);
        ASSERT_GE(img.size, sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER bih;
        std::memcpy(&bih, img.data, sizeof bih);
        EXPECT_EQ(bih.biWidth, size);
        EXPECT_EQ(bih.biHeight, 2 * size);
        EXPECT_EQ(bih.biBitCount, bpp);
        HICON h = ::CreateIconFromResourceEx(const_cast<BYTE*>(img.data), img.size, TRUE,
                                             0x00030000, size, size, 0);
        EXPECT_NE(h, nullptr);
        if (h) ::DestroyIcon(h);
    }
    std::set<std::pair<int, int>> want;
    for (int size : {48, 32, 16})
        for (int bpp : {4, 8, 32})
            want.insert({size, bpp});
    EXPECT_EQ(seen, want);
    HICON big = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    EXPECT_NE(big, nullptr);
}

TEST(DialogInitData, RecordsOfBothButtons) {
    Blob b = FindBlob(MAKEINTRESOURCEW(AFX_RT_DLGINIT), MAKEINTRESOURCEW(IDD_DOWNLOADER_DIALOG));
    std::vector<CDlgInitRecord> records;
    ASSERT_TRUE(AfxSplitDlgInitData(b.data, b.size, records));
    ASSERT_EQ(records.size(), 2u);
    const char kText[] = "<MFCButton_Style>4</MFCButton_Style>"
                         "<MFCButton_Autosize>FALSE</MFCButton_Autosize>"
                         "<MFCButton_Tooltip></MFCButton_Tooltip>"
                         "<MFCButton_FullTextTool>TRUE</MFCButton_FullTextTool>"
                         "<MFCButton_CursorType>11</MFCButton_CursorType>"
                         "<MFCButton_ImageType>8</MFCButton_ImageType>"
                         "<MFCButton_ImageOnTop>FALSE</MFCButton_ImageOnTop>"
                         "<MFCButton_ImageOnRight>FALSE</MFCButton_ImageOnRight>";
    const WORD ids[] = {IDC_NEXT, IDC_PAUSE};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(records[i].nIDC, ids[i]);
        EXPECT_EQ(records[i].nMsg, AFX_WM_MFC_INITCTRL);
        // The length in the .rc is counted by hand: it must cover the text and its NUL exactly.
        ASSERT_EQ(records[i].nLen, sizeof kText);
        EXPECT_EQ(std::memcmp(records[i].pData, kText, sizeof kText), 0);
    }
}

TEST(DialogInitData, ButtonsCarryTheirProperties) {
    MainDialog dlg;
    ASSERT_NE(dlg.m_hWnd, nullptr);
    const std::map<std::string, std::string> want = {
        {"MFCButton_Style", "4"},          {"MFCButton_Autosize", "FALSE"},
        {"MFCButton_Tooltip", ""},         {"MFCButton_FullTextTool", "TRUE"},
        {"MFCButton_CursorType", "11"},    {"MFCButton_ImageType", "8"},
        {"MFCButton_ImageOnTop", "FALSE"}, {"MFCButton_ImageOnRight", "FALSE"},
    };
    for (int id : {IDC_NEXT, IDC_PAUSE}) {
        SCOPED_TRACE(id);
        HWND h = ::GetDlgItem(dlg.m_hWnd, id);
        CMFCButton* b = CMFCButton::FromHandle(h);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->m_properties, want);
        EXPECT_EQ(b->m_nStyle, 4);
        EXPECT_FALSE(b->m_bAutosize);
        EXPECT_EQ(b->m_strTooltip, L"");
        EXPECT_TRUE(b->m_bFullTextTool);
        EXPECT_EQ(b->m_nCursorType, 11);
        EXPECT_EQ(b->m_nImageType, 8);
        EXPECT_FALSE(b->m_bImageOnTop);
        EXPECT_FALSE(b->m_bImageOnRight);
        EXPECT_EQ(b->m_hToolTip, nullptr);
        // Still the classic push button at the template's size.
        EXPECT_EQ(::GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
        RECT want_rc = {0, 0, 36, 14}, rc;
        ::MapDialogRect(dlg.m_hWnd, &want_rc);
        ::GetClientRect(h, &rc);
        EXPECT_EQ(rc.right, want_rc.right);
        EXPECT_EQ(rc.bottom, want_rc.bottom);
        EXPECT_EQ(::GetClassLongPtrW(h, GCLP_HCURSOR),
                  reinterpret_cast<ULONG_PTR>(::LoadCursorW(nullptr, IDC_ARROW)));
    }
    EXPECT_EQ(CMFCButton::FromHandle(::GetDlgItem(dlg.m_hWnd, IDC_STATUS)), nullptr);
}

namespace {
std::vector<BYTE> Records(std::initializer_list<std::pair<std::vector<WORD>, std::string>> recs,
                          bool terminate = true) {
    std::vector<BYTE> out;
    auto put16 = [&](WORD w) {
        out.push_back(static_cast<BYTE>(w));
        out.push_back(static_cast<BYTE>(w >> 8));
    };
    for (auto& r : recs) {
        put16(r.first[0]);
        put16(r.first[1]);
        DWORD len = r.first.size() > 2 ? r.first[2] : static_cast<DWORD>(r.second.size());
        put16(static_cast<WORD>(len));
        put16(static_cast<WORD>(len >> 16));
        out.insert(out.end(), r.second.begin(), r.second.end());
        if (out.size() & 1) out.push_back(0);
    }
    if (terminate) put16(0);
    return out;
}
} // namespace

TEST(DialogInitData, SplitCases) {
    struct Case {
        const char* what;
        std::vector<BYTE> data;
        BOOL ok;
        std::vector<WORD> ids;
    } const cases[] = {
        {"empty", {}, FALSE, {}},
        {"end marker only", {0, 0}, TRUE, {}},
        {"one byte", {0}, FALSE, {}},
        {"two records", Records({{{7, 0x37C}, "ab"}, {{9, 0x37C}, "cd"}}), TRUE, {7, 9}},
        {"odd length, padded", Records({{{7, 0x37C}, "abc"}, {{9, 0x37C}, "d"}}), TRUE, {7, 9}},
        {"no end marker", Records({{{7, 0x37C}, "ab"}}, false), FALSE, {7}},
        {"odd length at the very end", Records({{{7, 0x37C}, "abc"}}, false), FALSE, {7}},
        {"length past the end", Records({{{7, 0x37C, 50}, "ab"}}), FALSE, {}},
        {"second record cut", Records({{{7, 0x37C}, "ab"}, {{9, 0x37C, 400}, "cd"}}), FALSE, {7}},
        {"header cut", {7, 0, 0x7C, 3, 2}, FALSE, {}},
    };
    for (const Case& c : cases) {
        std::vector<CDlgInitRecord> records;
        EXPECT_EQ(AfxSplitDlgInitData(c.data.data(), c.data.size(), records), c.ok) << c.what;
        std::vector<WORD> ids;
        for (auto& r : records) {
            ids.push_back(r.nIDC);
            // Every record handed out lies inside the data.
            EXPECT_LE(r.pData + r.nLen, c.data.data() + c.data.size()) << c.what;
        }
        EXPECT_EQ(ids, c.ids) << c.what;
    }
    // A length near 4 GiB must not wrap the position around.
    std::vector<BYTE> huge = {7, 0, 0x7C, 3, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 0, 0};
    std::vector<CDlgInitRecord> records;
    EXPECT_FALSE(AfxSplitDlgInitData(huge.data(), huge.size(), records));
    EXPECT_TRUE(records.empty());
}

TEST(DialogInitData, PropertyTextCases) {
    using Map = std::map<std::string, std::string>;
    struct Case {
        std::string text;
        BOOL ok;
        Map want;
    } const cases[] = {
        {"", TRUE, {}},
        {"<A>1</A><B></B>", TRUE, {{"A", "1"}, {"B", ""}}},
        {std::string("<A>1</A>\0<B>2</B>", 17), TRUE, {{"A", "1"}}},
        {"<A>x<y</A>", TRUE, {{"A", "x<y"}}},
        {"<A>1</A><A>2</A>", TRUE, {{"A", "2"}}},
        {"<A>1</B>", FALSE, {}},
        {"<A>1</A>junk", FALSE, {{"A", "1"}}},
        {"<A>1", FALSE, {}},
        {"<A", FALSE, {}},
        {"<>x</>", FALSE, {}},
        {"</A>x</A>", FALSE, {}},
    };
    for (const Case& c : cases) {
        Map got;
        EXPECT_EQ(AfxParseButtonProperties(c.text.data(), c.text.size(), got), c.ok) << c.text;
        EXPECT_EQ(got, c.want) << c.text;
    }
    // The length bounds the text even without a NUL.
    Map got;
    EXPECT_FALSE(AfxParseButtonProperties("<A>1</A><B>2</B>", 10, got));
    EXPECT_EQ(got, (Map{{"A", "1"}}));
}

TEST(DialogInitData, AppliedOnlyToButtonsAndOnlyTheirMessage) {
    MainDialog dlg;
    ASSERT_NE(dlg.m_hWnd, nullptr);
    CMFCButton* pause = CMFCButton::FromHandle(::GetDlgItem(dlg.m_hWnd, IDC_PAUSE));
    ASSERT_NE(pause, nullptr);
    std::vector<BYTE> data = Records({
        {{IDC_STATUS, AFX_WM_MFC_INITCTRL}, "<MFCButton_Tooltip>x</MFCButton_Tooltip>"},
        {{IDC_NEXT, 0x0143 /* CB_ADDSTRING */}, "<MFCButton_Tooltip>x</MFCButton_Tooltip>"},
        {{4242, AFX_WM_MFC_INITCTRL}, "<MFCButton_Tooltip>x</MFCButton_Tooltip>"},
        {{IDC_PAUSE, AFX_WM_MFC_INITCTRL},
         "<MFCButton_Tooltip>Pause</MFCButton_Tooltip><MFCButton_CursorType>x1</"
         "MFCButton_CursorType>"},
    });
    AfxApplyDialogInitData(dlg.m_hWnd, data.data(), data.size());
    EXPECT_EQ(CMFCButton::FromHandle(::GetDlgItem(dlg.m_hWnd, IDC_STATUS)), nullptr);
    EXPECT_EQ(CMFCButton::FromHandle(::GetDlgItem(dlg.m_hWnd, IDC_NEXT))->m_strTooltip, L"");
    // The same object, given new properties; a number that is not one keeps the old value.
    EXPECT_EQ(CMFCButton::FromHandle(::GetDlgItem(dlg.m_hWnd, IDC_PAUSE)), pause);
    EXPECT_EQ(pause->m_strTooltip, L"Pause");
    EXPECT_EQ(pause->m_nCursorType, 11);
    ASSERT_NE(pause->m_hToolTip, nullptr);
    HWND tip = pause->m_hToolTip;
    EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);

    // An empty tooltip takes the tooltip away again.
    data = Records({{{IDC_PAUSE, AFX_WM_MFC_INITCTRL}, "<MFCButton_Tooltip></MFCButton_Tooltip>"}});
    AfxApplyDialogInitData(dlg.m_hWnd, data.data(), data.size());
    EXPECT_EQ(pause->m_hToolTip, nullptr);
    EXPECT_FALSE(::IsWindow(tip));
}

TEST(Manifest, AsInvokerDpiAwareClassicControls) {
    Blob b = FindBlob(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
    ASSERT_NE(b.data, nullptr);
    std::string text(reinterpret_cast<const char*>(b.data), b.size);
    for (const char* needle : {"<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
                               ">true</dpiAware>", "urn:schemas-microsoft-com:asm.v1"})
        EXPECT_NE(text.find(needle), std::string::npos) << needle;
    // A common-controls dependency would switch the controls to the themed look.
    for (const char* absent : {"Common-Controls", "dependentAssembly", "requireAdministrator"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;
}

TEST(Version, NumbersLanguageAndStrings) {
    wchar_t path[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    DWORD dummy = 0;
    DWORD n = ::GetFileVersionInfoSizeW(path, &dummy);
    ASSERT_GT(n, 0u);
    std::vector<BYTE> info(n);
    ASSERT_TRUE(::GetFileVersionInfoW(path, 0, n, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));

    WORD* lang = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&lang), &len));
    ASSERT_EQ(len, 4u);
    EXPECT_EQ(lang[0], 0x0804);
    EXPECT_EQ(lang[1], 1200);

    struct {
        const wchar_t* key;
        const wchar_t* value;
    } const rows[] = {
        {L"FileDescription", L"Downloader"},
        {L"FileVersion", L"1.0.0.1"},
        {L"ProductVersion", L"1.0.0.1"},
    };
    for (auto& row : rows) {
        std::wstring q = std::wstring(L"\\StringFileInfo\\080404b0\\") + row.key;
        wchar_t* value = nullptr;
        ASSERT_TRUE(
            ::VerQueryValueW(info.data(), q.c_str(), reinterpret_cast<void**>(&value), &len))
            << ToUtf8(row.key);
        EXPECT_EQ(std::wstring(value), row.value) << ToUtf8(row.key);
    }
}

namespace {
// A probe point of res/artwork_probes.json: a place of the window's client area where one of
// the pictures shows a known flat colour.
struct Probe {
    std::string name;
    int resource, x, y, r, g, b, tolerance;
};

// The file keeps one probe a line, each line complete in itself.
std::vector<Probe> ReadProbes() {
    std::vector<Probe> out;
    FILE* f = std::fopen(ARTWORK_PROBES_JSON, "rb");
    if (!f) return out;
    char line[512];
    while (std::fgets(line, sizeof line, f)) {
        const char* name = std::strstr(line, "\"name\": \"");
        const char* client = std::strstr(line, "\"client\": [");
        const char* rgb = std::strstr(line, "\"rgb\": [");
        const char* tol = std::strstr(line, "\"tolerance\": ");
        const char* res = std::strstr(line, "\"resource\": ");
        if (!name || !client || !rgb || !tol || !res) continue;
        Probe p{};
        name += 9;
        p.name.assign(name, std::strcspn(name, "\""));
        if (std::sscanf(client, "\"client\": [%d, %d]", &p.x, &p.y) != 2 ||
            std::sscanf(rgb, "\"rgb\": [%d, %d, %d]", &p.r, &p.g, &p.b) != 3 ||
            std::sscanf(tol, "\"tolerance\": %d", &p.tolerance) != 1 ||
            std::sscanf(res, "\"resource\": %d", &p.resource) != 1)
            continue;
        out.push_back(p);
    }
    std::fclose(f);
    return out;
}

IPicture* LoadPicture(int id) {
    Blob b = FindBlob(L"IMAGE", MAKEINTRESOURCEW(id));
    if (!b.data) return nullptr;
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, b.size);
    std::memcpy(::GlobalLock(mem), b.data, b.size);
    ::GlobalUnlock(mem);
    IStream* stream = nullptr;
    IPicture* pic = nullptr;
    if (SUCCEEDED(::CreateStreamOnHGlobal(mem, TRUE, &stream))) {
        ::OleLoadPicture(stream, 0, FALSE, IID_IPicture, reinterpret_cast<void**>(&pic));
        stream->Release();
    }
    return pic;
}

// A client area in memory, in the dialog's grey, with the pictures drawn where the window draws
// them: upright (HIMETRIC runs upwards) and stretched to the rectangle.
class Canvas {
  public:
    Canvas() {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kW, -kH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bmp = ::CreateDIBSection(m_dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits),
                                   nullptr, 0);
        m_old = ::SelectObject(m_dc, m_bmp);
        RECT all = {0, 0, kW, kH};
        ::FillRect(m_dc, &all, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    ~Canvas() {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bmp);
        ::DeleteDC(m_dc);
    }
    bool Draw(int id, RECT rc) {
        IPicture* pic = LoadPicture(id);
        if (!pic) return false;
        OLE_XSIZE_HIMETRIC w = 0;
        OLE_YSIZE_HIMETRIC h = 0;
        pic->get_Width(&w);
        pic->get_Height(&h);
        HRESULT hr = pic->Render(m_dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, 0,
                                 h, w, -h, nullptr);
        pic->Release();
        ::GdiFlush();
        return SUCCEEDED(hr);
    }
    COLORREF At(int x, int y) const {
        DWORD px = m_bits[y * kW + x];
        return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
    }
    static const int kW = 320, kH = 240;

  private:
    HDC m_dc;
    HBITMAP m_bmp;
    HGDIOBJ m_old;
    DWORD* m_bits = nullptr;
};

int Distance(COLORREF a, int r, int g, int b) {
    return std::max(
        {std::abs(GetRValue(a) - r), std::abs(GetGValue(a) - g), std::abs(GetBValue(a) - b)});
}
} // namespace

// The probe points that screenshot tests look for hold as the system decodes and draws the
// pictures, stand out from the white band and the dialog grey, and lie where no control of the
// dialog paints over the art.
TEST(Artwork, ProbePointsShowTheirColours) {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    std::vector<Probe> probes = ReadProbes();
    ASSERT_GE(probes.size(), 4u) << ARTWORK_PROBES_JSON;
    Canvas canvas;
    ASSERT_TRUE(canvas.Draw(IDR_IMAGE_LOGO, {10, 10, 222, 65}));
    ASSERT_TRUE(canvas.Draw(IDR_IMAGE_PRODUCT, {40, 90, 230, 220}));

    MainDialog dlg;
    ASSERT_NE(dlg.m_hWnd, nullptr);
    std::vector<std::pair<int, RECT>> controls;
    for (HWND c = ::GetWindow(dlg.m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (!Shown(c)) continue;
        RECT rc;
        ::GetWindowRect(c, &rc);
        ::MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        controls.push_back({::GetDlgCtrlID(c), rc});
    }
    COLORREF grey = ::GetSysColor(COLOR_BTNFACE);
    std::set<int> pictures;
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.name);
        pictures.insert(p.resource);
        ASSERT_TRUE(p.x >= 0 && p.x < Canvas::kW && p.y >= 0 && p.y < Canvas::kH);
        COLORREF got = canvas.At(p.x, p.y);
        EXPECT_LE(Distance(got, p.r, p.g, p.b), p.tolerance)
            << "drawn " << int(GetRValue(got)) << "," << int(GetGValue(got)) << ","
            << int(GetBValue(got));
        EXPECT_GT(Distance(RGB(255, 255, 255), p.r, p.g, p.b), 2 * p.tolerance + 40);
        EXPECT_GT(Distance(grey, p.r, p.g, p.b), 2 * p.tolerance + 40);
        for (auto& c : controls) {
            POINT pt = {p.x, p.y};
            EXPECT_FALSE(::PtInRect(&c.second, pt)) << "under control " << c.first;
        }
    }
    EXPECT_EQ(pictures, (std::set<int>{IDR_IMAGE_LOGO, IDR_IMAGE_PRODUCT}));
    ::OleUninitialize();
}
