// The program's texts are in the ANSI code page 1251; files meant for other
// programs (the journal) are UTF-8. The two conversions, made once, here.
#pragma once

#include <string>

std::string programToUtf8(const char* text, std::size_t n);
std::string utf8ToProgram(const char* text, std::size_t n);
// The same to UTF-16, for the functions of the system that take it (GDI+).
std::wstring programToWide(const char* text, std::size_t n);
