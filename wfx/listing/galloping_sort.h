// A stable merge sort for listings whose names come in long runs that sort together (the
// members of one series, the files of one extension). Its merges gallop: where one side keeps
// winning, the place where it stops is found by exponential and binary search, so a whole run
// moves past the other side for a few comparisons instead of one comparison per entry. That
// matters because comparing two unrelated names costs a call into the platform.
#pragma once
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace tf {

namespace gallop_detail {

// Number of leading elements of the sorted range [first, first + n) that key does not precede.
template <typename T, typename Less>
size_t CountNotGreater(const T* first, size_t n, const T& key, Less& less) {
    if (n == 0 || less(key, first[0])) return 0;
    size_t known = 0;  // first[known] is not greater than key
    size_t probe = 1;
    while (probe < n && !less(key, first[probe])) {
        known = probe;
        probe = 2 * probe + 1;
    }
    const T* end = first + std::min(probe, n);
    return static_cast<size_t>(std::upper_bound(first + known + 1, end, key, less) - first);
}

// Number of leading elements of the sorted range [first, first + n) that precede key.
template <typename T, typename Less>
size_t CountLess(const T* first, size_t n, const T& key, Less& less) {
    if (n == 0 || !less(first[0], key)) return 0;
    size_t known = 0;  // first[known] precedes key
    size_t probe = 1;
    while (probe < n && less(first[probe], key)) {
        known = probe;
        probe = 2 * probe + 1;
    }
    const T* end = first + std::min(probe, n);
    return static_cast<size_t>(std::lower_bound(first + known + 1, end, key, less) - first);
}

// Merges the sorted ranges a and b into out; on equal elements a's come first.
template <typename T, typename Less>
void Merge(const T* a, size_t na, const T* b, size_t nb, T* out, Less& less) {
    if (na == 0 || nb == 0 || !less(b[0], a[na - 1])) {  // nothing to interleave
        out = std::copy(a, a + na, out);
        std::copy(b, b + nb, out);
        return;
    }
    // Each phase starts with a head that is known to go first, found by the phase before.
    bool fromA = !less(b[0], a[0]);
    while (na > 0 && nb > 0) {
        if (fromA) {
            const size_t take = 1 + CountNotGreater(a + 1, na - 1, b[0], less);
            out = std::copy(a, a + take, out);
            a += take;
            na -= take;
        } else {
            const size_t take = 1 + CountLess(b + 1, nb - 1, a[0], less);
            out = std::copy(b, b + take, out);
            b += take;
            nb -= take;
        }
        fromA = !fromA;
    }
    out = std::copy(a, a + na, out);
    std::copy(b, b + nb, out);
}

}  // namespace gallop_detail

// Sorts [first, first + n) stably by less: the same order as std::stable_sort.
template <typename T, typename Less>
void GallopingSort(T* first, size_t n, Less less) {
    constexpr size_t kChunk = 16;
    for (size_t i = 0; i < n; i += kChunk) std::stable_sort(first + i, first + std::min(i + kChunk, n), less);
    if (n <= kChunk) return;
    std::vector<T> buffer(n);
    T* from = first;
    T* to = buffer.data();
    for (size_t width = kChunk; width < n; width *= 2) {
        for (size_t i = 0; i < n; i += 2 * width) {
            const size_t mid = std::min(i + width, n);
            const size_t end = std::min(i + 2 * width, n);
            gallop_detail::Merge(from + i, mid - i, from + mid, end - mid, to + i, less);
        }
        std::swap(from, to);
    }
    if (from != first) std::copy(from, from + n, first);
}

}  // namespace tf
