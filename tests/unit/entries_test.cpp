#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "listing/entries.h"
#include "listing/scan.h"
#include "support/support.h"

// Allocation faults for the listing: while armed for a thread, the allocation after the given
// number of them fails on that thread. Every other allocation of this program goes through as
// it would without this.
namespace {
DWORD g_failThread = 0;
int g_allocationsLeft = 0;
bool g_failed = false;

void FailAllocationAfter(int allowed) {
    g_allocationsLeft = allowed;
    g_failed = false;
    g_failThread = GetCurrentThreadId();
}
// Disarms; true when an allocation failed while armed.
bool Disarm() {
    g_failThread = 0;
    return g_failed;
}
}  // namespace

void* operator new(size_t size) {
    if (g_failThread != 0 && g_failThread == GetCurrentThreadId() && !g_failed && g_allocationsLeft-- == 0) {
        g_failed = true;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }

namespace {

WIN32_FIND_DATAW FilledRecord(const std::wstring& name, const std::wstring& alternate) {
    WIN32_FIND_DATAW r;
    std::memset(&r, 0xA5, sizeof r);  // the system leaves whatever was there after a terminator
    r.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
    r.ftCreationTime = {1, 2};
    r.ftLastAccessTime = {3, 4};
    r.ftLastWriteTime = {5, 6};
    r.nFileSizeHigh = 7;
    r.nFileSizeLow = 0xFFFFFFF8u;
    r.dwReserved0 = 9;
    r.dwReserved1 = 10;
    name.copy(r.cFileName, MAX_PATH);
    if (name.size() < MAX_PATH) r.cFileName[name.size()] = 0;
    alternate.copy(r.cAlternateFileName, 14);
    if (alternate.size() < 14) r.cAlternateFileName[alternate.size()] = 0;
    return r;
}

void ExpectSameFields(const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    EXPECT_EQ(a.dwFileAttributes, b.dwFileAttributes);
    EXPECT_EQ(0, std::memcmp(&a.ftCreationTime, &b.ftCreationTime, sizeof a.ftCreationTime));
    EXPECT_EQ(0, std::memcmp(&a.ftLastAccessTime, &b.ftLastAccessTime, sizeof a.ftLastAccessTime));
    EXPECT_EQ(0, std::memcmp(&a.ftLastWriteTime, &b.ftLastWriteTime, sizeof a.ftLastWriteTime));
    EXPECT_EQ(a.nFileSizeHigh, b.nFileSizeHigh);
    EXPECT_EQ(a.nFileSizeLow, b.nFileSizeLow);
    EXPECT_EQ(a.dwReserved0, b.dwReserved0);
    EXPECT_EQ(a.dwReserved1, b.dwReserved1);
}

}  // namespace

// An entry gives back every field of the record it was made from, and its names whole.
TEST(EntryList, HandsBackEveryFieldOfTheSystemsRecord) {
    tf::EntryList list;
    const std::wstring longName(MAX_PATH - 1, L'n');
    const WIN32_FIND_DATAW in[] = {FilledRecord(L"img0001.png", L"IMG000~1.PNG"), FilledRecord(longName, L""),
                                   FilledRecord(L"a", L"")};
    for (const auto& r : in) list.Add(r);
    ASSERT_EQ(list.order.size(), std::size(in));
    for (size_t i = 0; i < std::size(in); ++i) {
        WIN32_FIND_DATAW out;
        std::memset(&out, 0x5A, sizeof out);
        list.order[i]->ToFindData(out);
        ExpectSameFields(out, in[i]);
        EXPECT_STREQ(out.cFileName, in[i].cFileName);
        EXPECT_STREQ(out.cAlternateFileName, in[i].cAlternateFileName);
    }
    EXPECT_EQ(list.order[0]->Size(), 0x7FFFFFFF8ull);
}

// Unterminated name fields are cut to what a terminated field holds, never read past; a new
// name replaces the old one whole.
TEST(EntryList, CutsUnterminatedFieldsAndRenamesWhole) {
    tf::EntryList list;
    const std::wstring full(MAX_PATH, L'x');
    tf::Entry& entry = *list.Add(FilledRecord(full, L"ALTERNATE.NAM"));
    EXPECT_EQ(entry.Name(), full.substr(0, MAX_PATH - 1));
    EXPECT_STREQ(entry.alternateName, L"ALTERNATE.NAM");

    const std::wstring range = L"img<0001-100>.png";
    list.Rename(entry, range);
    WIN32_FIND_DATAW out;
    entry.ToFindData(out);
    EXPECT_STREQ(out.cFileName, range.c_str());
    for (size_t i = range.size(); i < MAX_PATH; ++i) ASSERT_EQ(out.cFileName[i], 0) << "old name left at " << i;
}

// Names fill many text blocks; earlier names stay where they were.
TEST(EntryList, NamesStayPutAsTheListGrows) {
    tf::EntryList list;
    for (int i = 0; i < 5000; ++i) list.Add(FilledRecord(std::wstring(200, L'a') + std::to_wstring(i), L""));
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(list.order[static_cast<size_t>(i)]->Name(), std::wstring(200, L'a') + std::to_wstring(i));
    }
}

// Each allocation of a listing failing in turn: the scan answers null with "not enough memory",
// or lists the folder whole, and leaves no search open (regression: the search leaked when the
// entry list itself could not be made).
TEST(ScanFolder, EveryAllocationFailingInTurnLeavesNoSearchOpen) {
    tftest::TempDir dir;
    for (const wchar_t* name : {L"img1.png", L"img2.png", L"img3.png", L"notes.txt", L"a7.dat"}) {
        ASSERT_TRUE(tftest::MakeFile(dir / name));
    }
    // The system hands out the handle slot freed last (Windows) or the lowest free one (Wine):
    // either way a probe opened after the scan gets the slot of one opened before it, unless the
    // scan left a handle open.
    const std::wstring probePath = dir / L"notes.txt";
    const auto probe = [&] {
        const HANDLE h = CreateFileW(probePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        CloseHandle(h);
        return h;
    };
    for (int allowed = 0;; ++allowed) {
        ASSERT_LT(allowed, 1000) << "the scan never got through";
        const HANDLE before = probe();
        DWORD error = ERROR_SUCCESS;
        FailAllocationAfter(allowed);
        const auto list = tf::ScanFolder(dir.path().c_str(), &error);
        const bool failed = Disarm();
        EXPECT_EQ(probe(), before) << "a handle stayed open after " << allowed << " allocations";
        // A step with a fallback (a sort buffer) may do without the allocation; the listing is
        // then whole all the same.
        if (list != nullptr) {
            EXPECT_EQ(list->order.size(), 3u) << "img<1-3>.png, notes.txt and a7.dat, after " << allowed << " allocations";
        } else {
            EXPECT_TRUE(failed);
            EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY)) << "after " << allowed << " allocations";
        }
        if (!failed) break;
    }
}
