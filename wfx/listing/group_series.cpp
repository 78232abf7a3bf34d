#include "listing/group_series.h"

#include <climits>
#include <iterator>
#include <string_view>

#include "host/text.h"
#include "listing/range_name.h"

namespace tf {

namespace {

bool IsDigit(WCHAR c) { return c >= L'0' && c <= L'9'; }

// The counter at a position where two names part: the run of digits there, followed by '.' or
// by the end of the name. An empty run counts as a counter of value 0.
struct Counter {
    bool found = false;
    int value = 0;      // digit by digit in 32-bit arithmetic, wrapping on overflow
    int digits = 0;
    bool exact = true;  // false when the run's true value exceeds 2147483647
};

Counter ReadCounter(std::wstring_view name, size_t pos) {
    Counter counter;
    if (pos > name.size()) return counter;
    size_t end = pos;
    unsigned int wrapped = 0;
    long long exact = 0;
    while (end < name.size() && IsDigit(name[end])) {
        const unsigned int digit = static_cast<unsigned int>(name[end] - L'0');
        wrapped = wrapped * 10u + digit;
        if (counter.exact) {
            exact = exact * 10 + digit;
            if (exact > INT_MAX) counter.exact = false;
        }
        ++end;
    }
    if (end < name.size() && name[end] != L'.') return counter;
    counter.found = true;
    counter.value = static_cast<int>(wrapped);
    counter.digits = static_cast<int>(end - pos);
    return counter;
}

// An open series: where its first member's counter stands and how wide it is written, which
// fixes the name of every further member.
struct Series {
    const WCHAR* firstName = nullptr;
    size_t counterPos = 0;
    int width = 0;
    int firstValue = 0;
    int lastValue = 0;
};

// True when candidate is, ignoring the case of A to Z, the name that the series gives the
// member with this counter value: the first member's prefix, the value padded with zeros to
// the width, the first member's suffix. Only such a file may join: anything else would leave
// the series entry naming a file that does not exist and hide the one that does.
bool IsMemberName(const Series& series, std::wstring_view candidate, int value) {
    const std::wstring_view first(series.firstName);
    const std::wstring_view prefix = first.substr(0, series.counterPos);
    const std::wstring_view suffix = first.substr(series.counterPos + static_cast<size_t>(series.width));
    WCHAR digits[12];
    IntToText(value, digits, 10);
    const std::wstring_view valueText(digits);
    const size_t zeros = static_cast<size_t>(series.width) > valueText.size()
                             ? static_cast<size_t>(series.width) - valueText.size()
                             : 0;
    if (candidate.size() != prefix.size() + zeros + valueText.size() + suffix.size()) return false;
    if (!EqualsFoldAscii(candidate.substr(0, prefix.size()), prefix)) return false;
    for (size_t i = 0; i < zeros; ++i) {
        if (candidate[prefix.size() + i] != L'0') return false;
    }
    if (candidate.substr(prefix.size() + zeros, valueText.size()) != valueText) return false;
    return EqualsFoldAscii(candidate.substr(candidate.size() - suffix.size()), suffix);
}

// Decides whether b joins the series that a belongs to (open) or opens one with a. On a join
// the series is set up or extended with b's counter.
bool Joins(const Entry& a, const Entry& b, bool open, Series& series) {
    const std::wstring_view nameA = a.Name();
    const std::wstring_view nameB = b.Name();
    // The names part at the first code unit that differs (case matters); when that lies inside
    // a run of digits, the counter starts where the run does.
    size_t k = 0;
    while (k < nameA.size() && k < nameB.size() && nameA[k] == nameB[k]) ++k;
    if (k < nameB.size() && IsDigit(nameB[k])) {
        while (k > 0 && IsDigit(nameB[k - 1])) --k;
    }
    const Counter counterB = ReadCounter(nameB, k);
    if (!counterB.found || counterB.value < 0) return false;

    Series candidate = series;
    if (!open) {
        const Counter counterA = ReadCounter(nameA, k);
        // A series opens only on a counter of at least one digit whose value its range name
        // can give back (the parser reads at most 2147483647).
        if (!counterA.found || counterA.digits == 0 || !counterA.exact) return false;
        candidate.firstName = a.name;
        candidate.counterPos = k;
        candidate.width = counterA.digits;
        candidate.firstValue = counterA.value;
        candidate.lastValue = counterA.value;
    }
    if (static_cast<long long>(counterB.value) != static_cast<long long>(candidate.lastValue) + 1) return false;
    if (!IsMemberName(candidate, nameB, counterB.value)) return false;
    candidate.lastValue = counterB.value;
    series = candidate;
    return true;
}

// Turns the first member entries[s] into the series entry for entries[s..e]. Refuses, changing
// nothing, when the range name would be too long or would not read back as this series.
bool Collapse(EntryList& list, size_t s, size_t e, const Series& series) {
    const std::vector<Entry*>& entries = list.order;
    WCHAR name[kRangeNameChars + 1];
    if (!MakeRangeName(name, static_cast<int>(std::size(name)), series.firstName,
                       static_cast<int>(series.counterPos), series.lastValue)) {
        return false;
    }
    RangeSpec range;
    if (!ParseRangeName(name, range) || range.first != series.firstValue || range.last != series.lastValue ||
        range.width != series.width) {
        return false;
    }
    unsigned long long sum = 0;
    for (size_t i = s; i <= e; ++i) sum += entries[i]->Size();  // modulo 2^64
    Entry& first = *entries[s];
    list.Rename(first, name);
    first.sizeHigh = static_cast<DWORD>(sum >> 32);
    first.sizeLow = static_cast<DWORD>(sum & 0xFFFFFFFFu);
    return true;
}

}  // namespace

bool MakeRangeName(WCHAR* dest, int capacity, const WCHAR* firstName, int counterPos, int last) {
    if (dest == nullptr || firstName == nullptr || capacity < 1 || counterPos < 0 || last < 0) return false;
    const std::wstring_view name(firstName);
    const size_t pos = static_cast<size_t>(counterPos);
    if (pos >= name.size() || !IsDigit(name[pos])) return false;
    size_t end = pos;
    while (end < name.size() && IsDigit(name[end])) ++end;
    if (end < name.size() && name[end] != L'.') return false;

    WCHAR lastText[12];
    IntToText(last, lastText, 10);
    const std::wstring_view lastView(lastText);
    const size_t total = pos + 1 + (end - pos) + 1 + lastView.size() + 1 + (name.size() - end);
    const size_t limit = static_cast<size_t>(capacity - 1) < static_cast<size_t>(kRangeNameChars)
                             ? static_cast<size_t>(capacity - 1)
                             : static_cast<size_t>(kRangeNameChars);
    if (total > limit) return false;

    WCHAR* out = dest;
    for (size_t i = 0; i < pos; ++i) *out++ = name[i];
    *out++ = L'<';
    for (size_t i = pos; i < end; ++i) *out++ = name[i];
    *out++ = L'-';
    for (WCHAR c : lastView) *out++ = c;
    *out++ = L'>';
    for (size_t i = end; i < name.size(); ++i) *out++ = name[i];
    *out = 0;
    return true;
}

size_t GroupSeries(EntryList& list, size_t front) {
    std::vector<Entry*>& entries = list.order;
    const size_t count = entries.size();
    if (front >= count) return count;
    // Runs are found pair by pair in listing order; a run that does not join (or whose range
    // name is refused) is kept as it stands, and the entry that ended a series starts the next.
    size_t out = front;
    size_t start = front;
    while (start < count) {
        Series series;
        bool open = false;
        size_t end = start;
        while (end + 1 < count && Joins(*entries[end], *entries[end + 1], open, series)) {
            open = true;
            ++end;
        }
        if (open && Collapse(list, start, end, series)) {
            entries[out++] = entries[start];
        } else {
            for (size_t i = start; i <= end; ++i) entries[out++] = entries[i];
        }
        start = end + 1;
    }
    entries.resize(out);
    return out;
}

}  // namespace tf
