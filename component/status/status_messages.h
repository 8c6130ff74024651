// The status codes the component sets itself, and the messages the page and
// the script receive for any code (the texts are common/status_texts.h).
#pragma once

#include <cstdint>
#include <string>

namespace kb::status {

// Component codes.
constexpr int16_t Success = 0;
constexpr int16_t SourceRefused = 1;
constexpr int16_t PasswordRefused = 3;
constexpr int16_t NoSource = 22;
constexpr int16_t NoTargetFile = 23;
constexpr int16_t NoTargetRoot = 24;
constexpr int16_t TargetRootPhysical = 25;
constexpr int16_t TargetRootNotFound = 26;
constexpr int16_t CannotCreateDirectory = 27;
constexpr int16_t DoZipGeneralError = 28;
constexpr int16_t DeleteOldGeneralError = 29;
constexpr int16_t FileListingGeneralError = 31;
constexpr int16_t NoListDirectory = 32;
constexpr int16_t ListDirectoryNotFound = 33;
constexpr int16_t CompressorAborted = 50;

// Library codes that the component itself also uses.
constexpr int16_t InvalidZipFileName = 151;

// The message for the code's absolute value; "Unspecified error." for a
// code in neither table.
const wchar_t* statusMessage(int16_t code);

// The paragraph an operation writes when it fails: "<P><B>Error:</B> " +
// message + "<P>".
std::wstring errorParagraph(int16_t code);

}  // namespace kb::status
