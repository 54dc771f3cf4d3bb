#include "platform/terminal_text.h"

#include "platform/dialog_script.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

namespace {

std::wstring Wide(std::string_view windows1252) {
  // Through our own table, so that the code page's holes become '?' as they do on Linux.
  const std::string utf8 = Windows1252ToUtf8(windows1252);
  std::wstring wide(utf8.size(), L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return wide;
}

}  // namespace

std::string Windows1252ToTerminal(std::string_view text) {
  const UINT codePage = GetConsoleOutputCP();
  if (codePage == 0 || codePage == CP_UTF8) return Windows1252ToUtf8(text);
  if (codePage == 1252) return std::string(text);
  const std::wstring wide = Wide(text);
  const int count = static_cast<int>(wide.size());
  // Some code pages take no replacement character of ours: they use their own.
  const char* unknown = "?";
  int n = WideCharToMultiByte(codePage, 0, wide.data(), count, nullptr, 0, unknown, nullptr);
  if (n <= 0) {
    unknown = nullptr;
    n = WideCharToMultiByte(codePage, 0, wide.data(), count, nullptr, 0, unknown, nullptr);
  }
  if (n <= 0) return Windows1252ToUtf8(text);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), count, out.data(), n, unknown, nullptr);
  return out;
}

void PrintWindows1252(std::FILE* stream, std::string_view text) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    std::fflush(stream);
    const std::wstring wide = Wide(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  const std::string converted = Windows1252ToTerminal(text);
  std::fwrite(converted.data(), 1, converted.size(), stream);
}

#else
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>

std::string Windows1252ToTerminal(std::string_view text) {
  const char* codeset = nl_langinfo(CODESET);
  if (std::strcmp(codeset, "UTF-8") == 0) return Windows1252ToUtf8(text);
  bool ascii = true;
  for (unsigned char c : text) ascii = ascii && c < 0x80;
  if (ascii) return std::string(text);
  const iconv_t converter =
      iconv_open((std::string(codeset) + "//TRANSLIT").c_str(), "WINDOWS-1252");
  if (converter == reinterpret_cast<iconv_t>(-1)) return Windows1252ToUtf8(text);
  std::string out;
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char block[256];
  while (inLeft > 0) {
    char* to = block;
    size_t toLeft = sizeof block;
    const size_t result = iconv(converter, &in, &inLeft, &to, &toLeft);
    const int why = errno;
    out.append(block, static_cast<size_t>(to - block));
    if (result != static_cast<size_t>(-1) || why == E2BIG) continue;
    if (why != EILSEQ && why != EINVAL) break;
    // A byte the code page leaves undefined, or a character the terminal
    // cannot show even approximately.
    out += '?';
    ++in;
    --inLeft;
  }
  iconv_close(converter);
  return out;
}

void PrintWindows1252(std::FILE* stream, std::string_view text) {
  const std::string converted = Windows1252ToTerminal(text);
  std::fwrite(converted.data(), 1, converted.size(), stream);
}
#endif
