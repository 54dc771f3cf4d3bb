#pragma once
// The driver's texts are Windows-1252; a person reads them in the encoding of
// the terminal in front of them. Shared by the Linux dialogs' stand-in and the
// programs that load the driver.
#include <cstdio>
#include <string>
#include <string_view>

// Windows-1252 text in the terminal's encoding: on Linux the character set of
// the program's locale (LC_CTYPE as the program has set it), on Win32 the
// console's output code page, or UTF-8 for a program without a console. What
// that encoding lacks is transliterated where it can be, otherwise '?'.
std::string Windows1252ToTerminal(std::string_view text);

// Writes Windows-1252 text to `stream` as Windows1252ToTerminal has it; to a
// Win32 console as Unicode, which shows right whatever its code page.
void PrintWindows1252(std::FILE* stream, std::string_view text);
