#include "cli/passwords.h"

#include "cli/console.h"
#include "common/text.h"

#include <optional>

namespace lsz::cli {

int passwordError(const std::wstring& message) {
    writeErr(L"lspzip: " + message + L" (" + std::to_wstring(kPasswordRefused) + L")\n");
    return kPasswordRefused;
}

int takePassword(const Arguments& args, kb::SecretW& password) {
    if (args.password) {
        password.assign(*args.password);
        return 0;
    }
    std::optional<std::wstring> first = readPassword(L"Enter password: ");
    if (!first) return passwordError(L"no password was read");
    kb::SecretW entered = kb::SecretW::adopt(*first);
    std::optional<std::wstring> second = readPassword(L"Verify password: ");
    if (!second) return passwordError(L"no password was read the second time");
    kb::SecretW again = kb::SecretW::adopt(*second);
    if (again.view() != entered.view()) return passwordError(L"the passwords do not match");
    password = std::move(entered);
    return 0;
}

int takeTestPassword(const Arguments& args, kb::SecretA& utf8) {
    kb::SecretW password;
    if (args.password) {
        password.assign(*args.password);
    } else if (args.promptPassword) {
        std::optional<std::wstring> entered = readPassword(L"Enter password: ");
        if (!entered) return passwordError(L"no password was read");
        password = kb::SecretW::adopt(*entered);
    } else {
        return 0;
    }
    std::optional<std::string> bytes = kb::toUtf8Exact(password.view());
    if (!bytes) return passwordError(L"the password cannot be written in UTF-8");
    utf8 = kb::SecretA::adopt(*bytes);
    return 0;
}

}  // namespace lsz::cli
