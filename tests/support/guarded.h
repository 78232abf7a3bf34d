// Output buffers fenced by guard bytes: a call that writes even one byte before or after the
// space it was given leaves a changed guard behind, which Intact() reports.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace tftest {

class Guarded {
public:
    static constexpr size_t kGuard = 64;
    static constexpr unsigned char kGuardByte = 0xA5;
    static constexpr unsigned char kFillByte = 0x5A;

    // A buffer of `bytes` bytes (0 is allowed), filled with kFillByte.
    explicit Guarded(size_t bytes);
    // Wide and narrow text buffers of `chars` characters holding `text` (cut to fit, terminated
    // when there is room); the rest is fill.
    static Guarded Wide(const std::wstring& text, size_t chars);
    static Guarded Narrow(const std::string& text, size_t chars);

    void* data() { return bytes_.data() + kGuard; }
    WCHAR* wide() { return reinterpret_cast<WCHAR*>(data()); }
    char* narrow() { return reinterpret_cast<char*>(data()); }
    size_t size() const { return size_; }

    // True when every guard byte is as it was written.
    bool Intact() const;
    // True when the space itself is still all fill (nothing was written into it).
    bool Untouched() const;
    // The text in the buffer up to its terminator, or up to its end when it has none.
    std::wstring WideText() const;
    std::string NarrowText() const;
    // "guard before changed at byte 3" or "guards intact", for failure messages.
    std::string Describe() const;

private:
    std::vector<unsigned char> bytes_;
    size_t size_;
};

// Text placed so that its terminator is the last readable character before a no-access page:
// a read one character past the end faults at once.
class FencedWide {
public:
    explicit FencedWide(const std::wstring& text);
    ~FencedWide();
    FencedWide(const FencedWide&) = delete;
    FencedWide& operator=(const FencedWide&) = delete;
    WCHAR* get() { return text_; }

private:
    void* base_ = nullptr;
    WCHAR* text_ = nullptr;
};

// Seconds a randomized run may take: TF_FUZZ_SECONDS when set (longer runs by hand), else the
// given default.
double FuzzSeconds(double fallback);

}  // namespace tftest
