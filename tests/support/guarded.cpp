#include "support/guarded.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tftest {

Guarded::Guarded(size_t bytes) : bytes_(bytes + 2 * kGuard, kGuardByte), size_(bytes) {
    std::fill(bytes_.begin() + kGuard, bytes_.begin() + kGuard + bytes, kFillByte);
}

Guarded Guarded::Wide(const std::wstring& text, size_t chars) {
    Guarded buffer(chars * sizeof(WCHAR));
    const size_t copy = std::min(text.size(), chars);
    std::memcpy(buffer.data(), text.data(), copy * sizeof(WCHAR));
    if (copy < chars) buffer.wide()[copy] = 0;
    return buffer;
}

Guarded Guarded::Narrow(const std::string& text, size_t chars) {
    Guarded buffer(chars);
    const size_t copy = std::min(text.size(), chars);
    std::memcpy(buffer.data(), text.data(), copy);
    if (copy < chars) buffer.narrow()[copy] = 0;
    return buffer;
}

bool Guarded::Intact() const {
    for (size_t i = 0; i < kGuard; ++i) {
        if (bytes_[i] != kGuardByte || bytes_[kGuard + size_ + i] != kGuardByte) return false;
    }
    return true;
}

bool Guarded::Untouched() const {
    for (size_t i = 0; i < size_; ++i) {
        if (bytes_[kGuard + i] != kFillByte) return false;
    }
    return true;
}

std::wstring Guarded::WideText() const {
    const WCHAR* text = reinterpret_cast<const WCHAR*>(bytes_.data() + kGuard);
    const size_t chars = size_ / sizeof(WCHAR);
    size_t n = 0;
    while (n < chars && text[n] != 0) ++n;
    return std::wstring(text, n);
}

std::string Guarded::NarrowText() const {
    const char* text = reinterpret_cast<const char*>(bytes_.data() + kGuard);
    size_t n = 0;
    while (n < size_ && text[n] != 0) ++n;
    return std::string(text, n);
}

std::string Guarded::Describe() const {
    for (size_t i = 0; i < kGuard; ++i) {
        if (bytes_[kGuard - 1 - i] != kGuardByte) {
            return "guard before the buffer changed " + std::to_string(i + 1) + " byte(s) before it";
        }
    }
    for (size_t i = 0; i < kGuard; ++i) {
        if (bytes_[kGuard + size_ + i] != kGuardByte) {
            return "guard after the " + std::to_string(size_) + "-byte buffer changed at offset " + std::to_string(i);
        }
    }
    return "guards intact";
}

FencedWide::FencedWide(const std::wstring& text) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    const size_t pages = (bytes + page - 1) / page;
    base_ = VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (base_ == nullptr) return;
    auto* start = static_cast<unsigned char*>(base_);
    DWORD old;
    VirtualProtect(start + pages * page, page, PAGE_NOACCESS, &old);
    text_ = reinterpret_cast<WCHAR*>(start + pages * page - bytes);
    std::memcpy(text_, text.c_str(), bytes);
}

FencedWide::~FencedWide() {
    if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
}

namespace {

// Validates every heap of the process after each test. Under WINEDEBUG=warn+heap, Wine keeps
// tail and free checks on each block, so a write past an allocation shows here at the latest;
// a damaged heap ends the run at once, naming the test that left it.
class HeapCheck : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo& test) override {
        HANDLE heaps[256];
        const DWORD count = GetProcessHeaps(256, heaps);
        for (DWORD i = 0; i < count && i < 256; ++i) {
            if (!HeapValidate(heaps[i], 0, nullptr)) {
                std::fprintf(stderr, "HEAP_CORRUPTED after %s.%s\n", test.test_suite_name(), test.name());
                std::fflush(stderr);
                std::abort();
            }
        }
    }
};

const bool g_heapCheckInstalled = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new HeapCheck);
    return true;
}();

}  // namespace

double FuzzSeconds(double fallback) {
    char value[32];
    const DWORD n = GetEnvironmentVariableA("TF_FUZZ_SECONDS", value, sizeof value);
    if (n == 0 || n >= sizeof value) return fallback;
    const double seconds = std::atof(value);
    return seconds > 0 ? seconds : fallback;
}

}  // namespace tftest
