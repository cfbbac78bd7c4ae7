// windows.h first: shellapi.h builds on it.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "cli/std_streams.h"

namespace {

UINT g_consoleCodePage = 0;

// The code page belongs to the console, which outlives the program: leave it as found.
void RestoreConsoleCodePage() {
    SetConsoleOutputCP(g_consoleCodePage);
}

bool IsConsole(DWORD standardHandle) {
    return GetFileType(GetStdHandle(standardHandle)) == FILE_TYPE_CHAR;
}

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();  // the terminator
    return utf8;
}

}  // namespace

// Binary mode keeps "\n" from turning into CRLF, so pipes and files get the same bytes as on
// Linux; a console shows the UTF-8 text once its output code page is UTF-8.
void PrepareStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (IsConsole(STD_OUTPUT_HANDLE) || IsConsole(STD_ERROR_HANDLE)) {
        g_consoleCodePage = GetConsoleOutputCP();
        if (g_consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
            std::atexit(RestoreConsoleCodePage);
        }
    }
}

// argv is in the ANSI code page, which cannot carry every name; the wide command line can.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return {argv, argv + argc};
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(Utf8(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}
