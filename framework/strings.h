#pragma once
// Text helpers shared by every layer. Strings are std::wstring (UTF-16 on Windows).
#include <string>

// printf-style formatting into a wide string. Use %ls for wide strings: mingw's C99 printf
// reads a plain %s as a narrow string.
std::wstring FormatW(const wchar_t* fmt, ...);

// Narrowing as the C runtime's default "C" locale does it: every character up to U+00FF
// becomes the byte of the same value; a text holding any other character narrows to "".
std::string NarrowLatin1(const std::wstring& text);

// Widening from the system's ANSI code page (936 on a Chinese Windows).
std::wstring WidenAnsi(const std::string& bytes);

// White space trimmed from both ends, as iswspace classifies it.
std::wstring TrimW(const std::wstring& text);

// UTF-8 of a wide text, for test output and logs.
std::string ToUtf8(const std::wstring& text);
