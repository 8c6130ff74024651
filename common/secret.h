// A string that holds a password. Its memory is overwritten whenever it is
// replaced or destroyed, so that a password does not linger in a heap that a
// crash dump, or a fault elsewhere in a long-lived worker process, could
// expose.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kb {

template <typename Char>
class Secret {
public:
    Secret() = default;
    explicit Secret(std::basic_string_view<Char> text) { assign(text); }
    Secret(const Char* text) { assign(text); }
    Secret(const Secret& other) { assign(other.view()); }
    Secret(Secret&& other) noexcept {
        assign(other.view());
        other.wipe();
    }
    Secret& operator=(const Secret& other) {
        if (this != &other) assign(other.view());
        return *this;
    }
    Secret& operator=(Secret&& other) noexcept {
        if (this != &other) {
            assign(other.view());
            other.wipe();
        }
        return *this;
    }
    ~Secret() { wipe(); }

    // Takes the text of a plain string and overwrites the original.
    static Secret adopt(std::basic_string<Char>& plain) {
        Secret secret{std::basic_string_view<Char>(plain)};
        wipeString(plain);
        return secret;
    }

    void assign(std::basic_string_view<Char> text) {
        wipe();
        text_.assign(text.data(), text.size());
    }
    void wipe() noexcept { wipeString(text_); }

    std::basic_string_view<Char> view() const { return text_; }
    const Char* c_str() const { return text_.c_str(); }
    bool empty() const { return text_.empty(); }
    size_t size() const { return text_.size(); }

private:
    static void wipeString(std::basic_string<Char>& s) noexcept {
        ::SecureZeroMemory(s.data(), s.capacity() * sizeof(Char));
        s.clear();
    }

    std::basic_string<Char> text_;
};

using SecretW = Secret<wchar_t>;
using SecretA = Secret<char>;

}  // namespace kb
