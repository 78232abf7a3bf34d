// The five content fields that describe a series entry by its range name.
#pragma once
#include <windows.h>

namespace tf {

// Field types and answers of the host's content interface.
constexpr int ft_numeric_32 = 1;
constexpr int ft_stringw = 11;
constexpr int ft_nosuchfield = -1;
constexpr int ft_fileerror = -2;
constexpr int ft_ondemand = -4;
// FsContentGetSupportedFieldFlags(-1): the union of the flags that any field may carry.
constexpr int kAllFieldFlags = 15;
constexpr int kSortAscending = 1;

constexpr int kFieldCount = 5;
enum Field : int { kFieldFileCount = 0, kFieldFirst, kFieldLast, kFieldDigits, kFieldBaseName };
// Asked for only on demand, when the host is in a hurry: answered "on demand", never a value.
constexpr int kOnDemandField = 5;

struct FieldInfo {
    const char* name;
    int type;
};
extern const FieldInfo kFields[kFieldCount];

// The value of one field for a wide plugin path; the answer is the field's type or a negative
// code, exactly as FsContentGetValueW returns it. maxlen is the value buffer's size in bytes.
int ContentValue(const WCHAR* pluginPath, int field, void* value, int maxlen, int flags);

}  // namespace tf
