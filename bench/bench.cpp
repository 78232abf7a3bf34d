// tfbench [--module FILE] [--only listing|operations] FIXTURES SCRATCH [RUNS]: times listing and
// series operations of the module against the raw system calls, on the same folders, and prints
// medians and ratios.
#include "bench.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace tfbench {

double MedianMs(int runs, const std::function<void()>& timed, const std::function<void()>& prepare) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        LARGE_INTEGER start, stop;
        QueryPerformanceCounter(&start);
        timed();
        QueryPerformanceCounter(&stop);
        times.push_back(1000.0 * static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

PairMs MedianPairMs(int runs, const std::function<void()>& first, const std::function<void()>& second,
                    const std::function<void()>& prepare) {
    std::vector<double> a, b, ratios;
    for (int i = 0; i < runs; ++i) {
        a.push_back(MedianMs(1, first, prepare));
        b.push_back(MedianMs(1, second, prepare));
        ratios.push_back(a.back() > 0 ? b.back() / a.back() : 0);
    }
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    std::sort(ratios.begin(), ratios.end());
    return {a[a.size() / 2], b[b.size() / 2], ratios[ratios.size() / 2]};
}

std::wstring Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    wchar_t buffer[1024];
    _vsnwprintf(buffer, std::size(buffer) - 1, format, args);
    buffer[std::size(buffer) - 1] = 0;
    va_end(args);
    return buffer;
}

void Print(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace tfbench

namespace {

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace tfbench;
    if (argc < 3) {
        Print(L"usage: tfbench [--module FILE] [--only listing|operations] FIXTURES SCRATCH [RUNS]\n");
        return 2;
    }
    int arg = 1;
    std::wstring modulePath = ModuleFolder() + TALLYFOLD_MODULE_NAME;
    std::wstring only;
    while (argc > arg + 3 && (std::wstring(argv[arg]) == L"--module" || std::wstring(argv[arg]) == L"--only")) {
        (std::wstring(argv[arg]) == L"--module" ? modulePath : only) = argv[arg + 1];
        arg += 2;
    }
    const std::wstring fixtures = argv[arg];
    const std::wstring scratch = argv[arg + 1];
    const int runs = argc > arg + 2 ? _wtoi(argv[arg + 2]) : 5;

    Module module;
    module.handle = LoadLibraryW(modulePath.c_str());
    if (module.handle == nullptr) {
        Print(Format(L"cannot load %ls (error %lu)\n", modulePath.c_str(), GetLastError()));
        return 1;
    }
    std::vector<Row> rows;
    if (only.empty() || only == L"listing") BenchListing(module, fixtures, runs, rows);
    if (only.empty() || only == L"operations") BenchOperations(module, scratch, runs, rows);

    Print(Format(L"Tallyfold benchmark, %d-bit module, median of %d runs; a ratio is the median of the runs' own ratios\n\n", static_cast<int>(sizeof(void*) * 8), runs));
    Print(Format(L"%-44ls %12ls %12ls %8ls %8ls  %ls\n", L"measure", L"plugin", L"baseline", L"ratio", L"target", L"verdict"));
    bool allMet = true;
    for (const Row& r : rows) {
        const bool ratio = r.baseline > 0;
        const double value = !ratio ? r.measured : r.ratio > 0 ? r.ratio : r.measured / r.baseline;
        const bool hasTarget = r.target > 0 || r.mustBeZero;
        const bool met = r.mustBeZero ? r.measured == 0 : r.target <= 0 || value <= r.target;
        allMet = allMet && met;
        Print(Format(L"%-44ls %9.1f %-2ls %9ls %-2ls %8ls %8ls  %ls%ls\n", r.what.c_str(), r.measured, r.unit.c_str(),
                     ratio ? Format(L"%.1f", r.baseline).c_str() : L"-", ratio ? r.unit.c_str() : L"",
                     ratio ? Format(L"%.2f", value).c_str() : L"-",
                     r.mustBeZero ? L"0" : r.target > 0 ? Format(L"%.2f", r.target).c_str() : L"-",
                     hasTarget ? (met ? L"met" : L"MISSED") : L"(reported)",
                     r.note.empty() ? L"" : (L"  " + r.note).c_str()));
    }
    Print(allMet ? L"\nevery target met\n" : L"\nSOME TARGETS MISSED\n");
    return allMet ? 0 : 1;
}
