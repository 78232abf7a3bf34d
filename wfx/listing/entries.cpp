#include "listing/entries.h"

namespace tf {

Entry* EntryList::Add(const Entry& record) {
    if (usedInLast_ == kBlockRecords) {
        blocks_.push_back(std::make_unique_for_overwrite<Entry[]>(kBlockRecords));
        usedInLast_ = 0;
    }
    Entry* slot = &blocks_.back()[usedInLast_++];
    *slot = record;
    order.push_back(slot);
    return slot;
}

}  // namespace tf
