// The records of one folder listing: the find records as the system filled them, in listing order.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

namespace tf {

using Entry = WIN32_FIND_DATAW;

// Owns the records of one listing. Records live in fixed blocks, so their addresses stay put
// while the order is built and a find handle hands them out; the grouping pass drops member
// records from the order and the blocks go away with the list.
class EntryList {
public:
    Entry* Add(const Entry& record);
    std::vector<Entry*> order;

private:
    static constexpr size_t kBlockRecords = 1024;
    std::vector<std::unique_ptr<Entry[]>> blocks_;
    size_t usedInLast_ = kBlockRecords;
};

}  // namespace tf
