// Taking one architecture's build away while the other's stays. 64-bit
// Windows keeps the class's CLSID and Interface keys apart for 32-bit and
// 64-bit processes, but the ProgID, the type library's key and the Event
// Log source are one key that both registry views share: removed with one
// build, they leave the other's pools with "invalid class string".
#pragma once

#include <optional>
#include <string>

namespace kb {

enum class SharedKeyAction {
    Remove,        // no registration of the class remains in the other view
    Keep,          // the other view still registers the class, or the key names someone else
    PointAtOther,  // the key names this build: name the other view's instead
};

// What unregistering this build does with a shared key. named: the file or
// folder the key names (the Event Log source's message file, the type
// library's help folder), or nothing for a key that names none (the
// ProgID, the type library as a whole). own: this build's file or folder,
// in the same form. other: the other view's registration of the class, or
// nothing when that view registers none.
SharedKeyAction sharedKeyAction(const std::optional<std::wstring>& named, const std::wstring& own,
                                const std::optional<std::wstring>& other);

}  // namespace kb
