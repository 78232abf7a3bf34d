// Tallyfold.ini fixtures: UTF-16LE with a byte-order mark, lines joined by CR LF.
#pragma once
#include <string>
#include <vector>

namespace tftest {

// The bytes of a UTF-16LE text file: mark, then the lines joined by CR LF, no final line end.
std::string Utf16File(const std::vector<std::wstring>& lines);
bool WriteIni(const std::wstring& path, const std::vector<std::wstring>& lines);

}  // namespace tftest
