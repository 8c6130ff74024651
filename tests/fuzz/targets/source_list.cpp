// The source list parser: whatever it accepts, the list it joins back from
// the items parses into the same items.
#include "common/source_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring list;
    for (size_t i = 0; i + 1 < size; i += 2) list += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    auto items = kb::parseSourceList(list);
    if (!items) return 0;
    if (items->empty()) std::abort();
    for (const auto& item : *items) {
        // Items come without their quotes, never with a separator outside them.
        if (item.find(L'"') != std::wstring::npos) std::abort();
    }
    auto again = kb::parseSourceList(kb::joinSourceList(*items));
    if (!again || *again != *items) std::abort();
    return 0;
}
