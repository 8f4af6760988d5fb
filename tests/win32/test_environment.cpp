// The environment the Windows tests rely on: an interactive window station, the 1280x1024 test
// screen, Chinese text through WenQuanYi Micro Hei, a writable HKCU and the sample pictures.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct TScreenDC {
  HDC dc = GetDC(nullptr);
  ~TScreenDC() { ReleaseDC(nullptr, dc); }
};

int CALLBACK CountFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  ++*reinterpret_cast<int*>(found);
  return 1;
}

std::wstring Widen(const char* text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring result(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), length);
  return result;
}

}  // namespace

TEST(Environment, RunsInAnInteractiveWindowStation) {
  HWINSTA station = GetProcessWindowStation();
  ASSERT_NE(station, nullptr);
  wchar_t name[64] = {};
  DWORD needed = 0;
  ASSERT_TRUE(GetUserObjectInformationW(station, UOI_NAME, name, sizeof name, &needed));
  EXPECT_STREQ(name, L"WinSta0");
  EXPECT_NE(GetDesktopWindow(), nullptr);
}

TEST(Environment, ScreenIs1280By1024) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
  TScreenDC screen;
  EXPECT_EQ(GetDeviceCaps(screen.dc, BITSPIXEL) * GetDeviceCaps(screen.dc, PLANES), 32);
}

TEST(Environment, ChineseFontIsInstalled) {
  TScreenDC screen;
  LOGFONTW query = {};
  query.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(query.lfFaceName, L"WenQuanYi Micro Hei");
  int found = 0;
  EnumFontFamiliesExW(screen.dc, &query, CountFamily, reinterpret_cast<LPARAM>(&found), 0);
  EXPECT_GT(found, 0);
}

// 宋体 and SimSun are substituted by a font that has the Chinese glyphs (the stock fallback
// draws them as boxes).
TEST(Environment, SongTiFacesDrawChinese) {
  TScreenDC screen;
  for (const wchar_t* face : {L"\u5B8B\u4F53", L"SimSun"}) {
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, face);
    ASSERT_NE(font, nullptr);
    HGDIOBJ old = SelectObject(screen.dc, font);
    const std::wstring text = Widen("心跳火焰");
    WORD glyphs[4] = {};
    ASSERT_EQ(GetGlyphIndicesW(screen.dc, text.c_str(), 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 4u);
    for (WORD glyph : glyphs) EXPECT_NE(glyph, 0xFFFF);
    wchar_t actual[LF_FACESIZE] = {};
    GetTextFaceW(screen.dc, LF_FACESIZE, actual);
    SelectObject(screen.dc, old);
    DeleteObject(font);
    EXPECT_STRNE(actual, L"DejaVu Sans");
  }
}

TEST(Environment, CurrentUserRegistryIsWritable) {
  const wchar_t* path = L"Software\\Velmora Tests\\Environment";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  const DWORD written = 0x12345678;
  EXPECT_EQ(RegSetValueExW(key, L"Probe", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&written),
                           sizeof written),
            ERROR_SUCCESS);
  DWORD read = 0, size = sizeof read, type = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"Probe", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(read, written);
  RegCloseKey(key);
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora Tests"), ERROR_SUCCESS);
}

TEST(Environment, SamplePicturesAreReachable) {
  if (!VELMORA_CORPUS_PRESENT) GTEST_SKIP() << "sample pictures not found at " << VELMORA_CORPUS;
  const std::wstring index = Widen(VELMORA_CORPUS) + L"\\index.tsv";
  const DWORD attributes = GetFileAttributesW(index.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "no " << VELMORA_CORPUS << "\\index.tsv";
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}
