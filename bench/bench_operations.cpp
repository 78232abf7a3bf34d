// Series operations: rename, copy, download to a local range name and delete of a 2,000-member
// series through the exports, against a loop of the same raw system calls over the same names.
#include "bench.h"

namespace tfbench {

namespace {

constexpr int kMembers = 2000;
constexpr int kShift = 500;  // the rename overlaps its source from above

using RenMovW = int(WINAPI*)(WCHAR*, WCHAR*, BOOL, BOOL, void*);
using DeleteW = BOOL(WINAPI*)(WCHAR*);
using GetFileW = int(WINAPI*)(WCHAR*, WCHAR*, int, void*);
using InitW = int(WINAPI*)(int, void*, void*, void*);

int WINAPI CarryOn(int, WCHAR*, WCHAR*, int) { return 0; }

std::wstring Member(const std::wstring& folder, const wchar_t* prefix, int counter) {
    return Format(L"%ls\\%ls%04d.dat", folder.c_str(), prefix, counter);
}

std::wstring Range(const std::wstring& folder, const wchar_t* prefix, int first, int last) {
    return Format(L"\\%ls\\%ls<%04d-%d>.dat", folder.c_str(), prefix, first, last);
}

// The delete warning is answered Yes, as a user who confirms it would.
LRESULT CALLBACK AnswerYes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDYES, 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MoveAll(const std::wstring& folder, int fromFirst, int toFirst) {
    // Walk so that no target is a member still to be moved.
    const bool backward = toFirst > fromFirst;
    for (int i = 0; i < kMembers; ++i) {
        const int k = backward ? kMembers - 1 - i : i;
        MoveFileW(Member(folder, L"s", fromFirst + k).c_str(), Member(folder, L"s", toFirst + k).c_str());
    }
}

void CopyAll(const std::wstring& folder) {
    for (int k = 1; k <= kMembers; ++k) CopyFileW(Member(folder, L"s", k).c_str(), Member(folder, L"c", k).c_str(), TRUE);
}

void DeleteAll(const std::wstring& folder, const wchar_t* prefix = L"c") {
    for (int k = 1; k <= kMembers; ++k) DeleteFileW(Member(folder, prefix, k).c_str());
}

void CopyOut(const std::wstring& folder, const std::wstring& local) {
    for (int k = 1; k <= kMembers; ++k) CopyFileW(Member(folder, L"s", k).c_str(), Member(local, L"g", k).c_str(), TRUE);
}

}  // namespace

void BenchOperations(const Module& module, const std::wstring& scratch, int runs, std::vector<Row>& rows) {
    const auto renMov = module.Fn<RenMovW>("FsRenMovFileW");
    const auto remove = module.Fn<DeleteW>("FsDeleteFileW");
    const auto getFile = module.Fn<GetFileW>("FsGetFileW");
    if (renMov == nullptr || remove == nullptr || getFile == nullptr) {
        rows.push_back({L"series operations", 0, 0, L"ms", 0, L"the module has no FsRenMovFileW / FsDeleteFileW / FsGetFileW"});
        return;
    }
    module.Fn<InitW>("FsInitW")(1, reinterpret_cast<void*>(&CarryOn), nullptr, nullptr);
    const std::wstring folder = scratch + L"\\ops";
    CreateDirectoryW(scratch.c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int k = 1; k <= kMembers; ++k) {
        const HANDLE file = CreateFileW(Member(folder, L"s", k).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        const std::string content(64, static_cast<char>('a' + k % 26));
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }

    std::wstring from = Range(folder, L"s", 1, kMembers);
    std::wstring to = Format(L"\\%ls\\s<%04d>.dat", folder.c_str(), 1 + kShift);
    std::wstring copyTo = Range(folder, L"c", 1, kMembers);
    int result = 0;

    // Each timed run starts from the series at 1..2000 and moves it to 501..2500.
    bool shifted = false;
    const PairMs rename = MedianPairMs(
        runs, [&] { MoveAll(folder, 1, 1 + kShift); shifted = true; },
        [&] { result = renMov(from.data(), to.data(), TRUE, FALSE, nullptr); shifted = true; },
        [&] { if (shifted) MoveAll(folder, 1 + kShift, 1); shifted = false; });
    if (shifted) MoveAll(folder, 1 + kShift, 1);
    rows.push_back({L"rename 2000-member series, overlapping", rename.second, rename.first, L"ms", 1.15,
                    Format(L"plugin answered %d", result), rename.ratio});

    const PairMs copy = MedianPairMs(
        runs, [&] { CopyAll(folder); }, [&] { result = renMov(from.data(), copyTo.data(), FALSE, FALSE, nullptr); },
        [&] { DeleteAll(folder); });
    rows.push_back({L"copy 2000-member series", copy.second, copy.first, L"ms", 1.15, Format(L"plugin answered %d", result), copy.ratio});

    // Out of the plugin into a plain local folder, as the host copies a series entry out.
    const std::wstring local = folder + L"\\out";
    CreateDirectoryW(local.c_str(), nullptr);
    std::wstring localRange = Format(L"%ls\\g<%04d-%d>.dat", local.c_str(), 1, kMembers);
    const PairMs download = MedianPairMs(
        runs, [&] { CopyOut(folder, local); }, [&] { result = getFile(from.data(), localRange.data(), 0, nullptr); },
        [&] { DeleteAll(local, L"g"); });
    DeleteAll(local, L"g");
    RemoveDirectoryW(local.c_str());
    rows.push_back({L"get 2000-member series to a local range", download.second, download.first, L"ms", 1.15,
                    Format(L"plugin answered %d", result), download.ratio});

    const HHOOK hook = SetWindowsHookExW(WH_CBT, AnswerYes, nullptr, GetCurrentThreadId());
    const PairMs erase = MedianPairMs(runs, [&] { DeleteAll(folder); }, [&] { result = remove(copyTo.data()); },
                                      [&] { CopyAll(folder); });
    UnhookWindowsHookEx(hook);
    rows.push_back({L"delete 2000-member series", erase.second, erase.first, L"ms", 0,
                    Format(L"plugin answered %d; two message pumps per member", result), erase.ratio});
    DeleteAll(folder);
    for (int k = 1; k <= kMembers; ++k) DeleteFileW(Member(folder, L"s", k).c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace tfbench
