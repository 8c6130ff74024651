#include "component/shared_keys.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kb {
namespace {

TEST(SharedKeys, RemovedOnlyWhenTheOtherViewRegistersNothing) {
    const std::wstring own = L"C:\\Program Files\\Kestrelbay\\Crateload\\kbaycl20.dll";
    const std::wstring other = L"C:\\Program Files (x86)\\Kestrelbay\\Crateload\\kbaycl20.dll";
    const std::wstring elsewhere = L"D:\\Old\\kbaycl20.dll";
    using A = SharedKeyAction;
    const struct {
        std::optional<std::wstring> named, other;
        A action;
    } cases[] = {
        {std::nullopt, std::nullopt, A::Remove},  // the ProgID, nothing left
        {std::nullopt, other, A::Keep},           // the ProgID, the other build left
        {own, std::nullopt, A::Remove},
        {L"c:\\program files\\KESTRELBAY\\crateload\\KBAYCL20.DLL", std::nullopt, A::Remove},
        {own, other, A::PointAtOther},
        {other, other, A::Keep},  // the other build registered since
        {elsewhere, std::nullopt, A::Keep},
        {elsewhere, other, A::Keep},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sharedKeyAction(c.named, own, c.other), c.action)
            << testing::PrintToString(c.named.value_or(L"-")) << " beside " << testing::PrintToString(c.other.value_or(L"-"));
    }
}

}  // namespace
}  // namespace kb
