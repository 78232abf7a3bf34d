// The host's log callback: a line for the user where an answer code cannot say enough.
#pragma once
#include <windows.h>

namespace tf {

// Longest message, and its buffer.
constexpr int kLogMessageChars = 1023;
constexpr int kLogMessageBuffer = kLogMessageChars + 1;

// Hands the host an error that the user must see, through its wide log callback where it gave one,
// otherwise through its narrow one; where it gave neither, nothing is said.
void LogError(const WCHAR* text);

}  // namespace tf
