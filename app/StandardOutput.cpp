// Standard output and the prompt that writes to it.
#include "app/StandardOutput.h"

#include <windows.h>

#include "fw/File.h"

void WriteStandardOutput(const std::string& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    fw::CHandle console;
    if ((!out || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console.Reset(CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
        out = console.Get();
    }
    if (!out || out == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int CStandardOutputPrompt::Message(HWND, const std::string& text, UINT type) {
    // Messages hold bare line feeds; a line of the output ends in CR LF.
    std::string line;
    line.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '\n' && (line.empty() || line.back() != '\r')) line += '\r';
        line += c;
    }
    WriteStandardOutput(line + "\r\n");
    return fw::DefaultAnswer(type);
}
