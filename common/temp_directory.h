// Where the busy flag lives: "c:\temp\" when it holds an ordinary file, else
// the system's temporary path, else the current directory. The component
// keeps its flag there; lspzip --settings shows the same choice.
#pragma once

#include <optional>
#include <string>

namespace kb {

inline constexpr wchar_t kFixedTempDirectory[] = L"c:\\temp\\";

// The choice itself, with what the platform reported passed in. probe is
// "c:\temp\" or ""; systemTemp is empty when the system gave no usable path.
std::wstring chooseTempDirectory(const std::wstring& probe, const std::optional<std::wstring>& systemTemp,
                                 const std::wstring& currentDirectory);

// "c:\temp\" when that directory lists at least one ordinary file, else "".
std::wstring probeTempDir();

// Worked out afresh at each call; every result ends in a backslash.
std::wstring getTempFilePath();

}  // namespace kb
