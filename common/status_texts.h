// The one table of status texts: every code the component reports, its own
// and those the compression library returns, with its fixed English text.
// The component's page messages and the library's front end both read it, so
// that no text is written twice.
#pragma once

namespace kb {

// The text for a code (0 or positive); "Unspecified error." for a code the
// table does not hold.
const wchar_t* statusText(int code);

}  // namespace kb
