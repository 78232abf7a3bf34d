// Content fields: file count, first, last, digits and base name of a series entry, with fixed
// fallbacks for plain files so a column shows one file for them.
#include "presentation/content_fields.h"

#include "host/exports.h"
#include "host/text.h"
#include "listing/range_name.h"

namespace tf {

const FieldInfo kFields[kFieldCount] = {
    {"file count", ft_numeric_32}, {"first", ft_numeric_32}, {"last", ft_numeric_32},
    {"digits", ft_numeric_32},     {"base name", ft_stringw},
};

namespace {

// Paths of at most this many characters after the leading backslash are the root and the drive
// roots ("\C:\"), which are no entries.
constexpr int kShortestEntryChars = 4;

const WCHAR* LastOf(const WCHAR* begin, const WCHAR* end, WCHAR c) {
    for (const WCHAR* p = end; p != begin;) {
        if (*--p == c) return p;
    }
    return nullptr;
}

// The name part of the path (after its last backslash), ended at the last `stop` character
// when it holds one, copied into the host's buffer as a wide string.
int WriteBaseName(const WCHAR* path, WCHAR stop, void* value, int maxlen) {
    // Not even the terminator fits: answer as for an unreadable entry rather than hand the host
    // a "string" that is not one.
    if (value == nullptr || maxlen / 2 < 1) return ft_fileerror;
    const WCHAR* end = path + WideLength(path);
    const WCHAR* slash = LastOf(path, end, L'\\');
    const WCHAR* name = slash ? slash + 1 : path;
    const WCHAR* cut = LastOf(name, end, stop);
    if (cut == nullptr) cut = end;
    const int length = static_cast<int>(cut - name);
    const int limit = maxlen / 2;
    WCHAR* out = static_cast<WCHAR*>(value);
    const int copied = length < limit - 1 ? length : limit - 1;
    for (int i = 0; i < copied; ++i) out[i] = name[i];
    out[copied] = 0;
    return ft_stringw;
}

int WriteNumber(int number, void* value, int maxlen) {
    if (value == nullptr || maxlen < static_cast<int>(sizeof(int))) return ft_fileerror;
    // The host's buffer carries no alignment promise.
    CopyMemory(value, &number, sizeof number);
    return ft_numeric_32;
}

}  // namespace

int ContentValue(const WCHAR* pluginPath, int field, void* value, int maxlen, int flags) {
    if (pluginPath == nullptr || WideLength(pluginPath) - 1 <= kShortestEntryChars - 1) return ft_fileerror;
    if (flags & CONTENT_DELAYIFSLOW) {
        if (field == kFieldBaseName) return ft_delayed;
        if (field == kOnDemandField) return ft_ondemand;
    }
    if (field < 0 || field >= kFieldCount) return ft_nosuchfield;

    RangeSpec range;
    if (ParseRangeName(pluginPath, range)) {
        switch (field) {
        case kFieldFileCount:
            // Wraps like the host's own 32-bit arithmetic; a range without a last counter
            // ("x<5>") gives -1 - first + 1.
            return WriteNumber(static_cast<int>(static_cast<unsigned>(range.last) - static_cast<unsigned>(range.first) + 1u),
                               value, maxlen);
        case kFieldFirst: return WriteNumber(range.first, value, maxlen);
        case kFieldLast: return WriteNumber(range.last, value, maxlen);
        case kFieldDigits: return WriteNumber(range.width, value, maxlen);
        default: return WriteBaseName(pluginPath, L'<', value, maxlen);
        }
    }
    switch (field) {
    case kFieldFileCount: return WriteNumber(1, value, maxlen);
    case kFieldFirst:
    case kFieldLast:
    case kFieldDigits: return WriteNumber(0, value, maxlen);
    default: return WriteBaseName(pluginPath, L'.', value, maxlen);
    }
}

}  // namespace tf

int WINAPI FsContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxlen) noexcept {
    if (fieldIndex < 0 || fieldIndex >= tf::kFieldCount) return tf::ft_nomorefields;
    if (fieldName == nullptr || units == nullptr || maxlen < 1) return tf::ft_nomorefields;
    const char* name = tf::kFields[fieldIndex].name;
    int i = 0;
    for (; i < maxlen - 1 && name[i] != 0; ++i) fieldName[i] = name[i];
    fieldName[i] = 0;
    units[0] = 0;
    return tf::kFields[fieldIndex].type;
}

int WINAPI FsContentGetSupportedFieldFlags(int fieldIndex) noexcept {
    return fieldIndex == -1 ? tf::kAllFieldFlags : 0;
}

int WINAPI FsContentGetDefaultSortOrder(int) noexcept { return tf::kSortAscending; }

int WINAPI FsContentGetValueW(WCHAR* fileName, int fieldIndex, int, void* fieldValue, int maxlen, int flags) noexcept {
    return tf::ContentValue(fileName, fieldIndex, fieldValue, maxlen, flags);
}

int WINAPI FsContentGetValue(char* fileName, int fieldIndex, int, void* fieldValue, int maxlen, int flags) noexcept {
    tf::WideArg name;
    if (!tf::ToWideArg(fileName, name) || name.ptr == nullptr) return tf::ft_fileerror;
    return tf::ContentValue(name.ptr, fieldIndex, fieldValue, maxlen, flags);
}
