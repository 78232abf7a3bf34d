#include "support/ini_file.h"

#include "support/support.h"

namespace tftest {

std::string Utf16File(const std::vector<std::wstring>& lines) {
    std::wstring text = L"\xFEFF";
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += L"\r\n";
        text += lines[i];
    }
    std::string bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

bool WriteIni(const std::wstring& path, const std::vector<std::wstring>& lines) {
    return WriteBytes(path, Utf16File(lines));
}

}  // namespace tftest
