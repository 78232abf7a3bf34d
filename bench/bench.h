// Shared pieces of the benchmark program: the module, timing, and the printed table.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tfbench {

struct Module {
    HMODULE handle = nullptr;
    template <typename F>
    F Fn(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
    }
};

// Median wall time, in milliseconds, of runs of the timed step; prepare runs untimed before each.
double MedianMs(int runs, const std::function<void()>& timed, const std::function<void()>& prepare = {});

// Times two steps in alternation, so that both see the same load on the machine: the median of
// each, in ms, and the median of second / first taken pair by pair, which a slow drift of the
// machine's speed moves less than the quotient of the two medians.
struct PairMs {
    double first;
    double second;
    double ratio;
};
PairMs MedianPairMs(int runs, const std::function<void()>& first, const std::function<void()>& second,
                    const std::function<void()>& prepare = {});

struct Row {
    std::wstring what;
    double measured;
    double baseline;  // 0 when the row is not a ratio
    std::wstring unit;
    double target;  // 0 when there is no target
    std::wstring note;
    double ratio = 0;  // when set, the printed ratio instead of measured / baseline
    bool mustBeZero = false;  // a check rather than a figure: met only when measured is 0
};

void Print(const std::wstring& text);
std::wstring Format(const wchar_t* format, ...);

// The benchmark's groups; each adds its rows.
void BenchListing(const Module& module, const std::wstring& fixtures, int runs, std::vector<Row>& rows);
void BenchOperations(const Module& module, const std::wstring& scratch, int runs, std::vector<Row>& rows);

}  // namespace tfbench
