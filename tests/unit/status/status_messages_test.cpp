#include "status/status_messages.h"

#include <gtest/gtest.h>

namespace kb::status {
namespace {

TEST(StatusMessages, LooksUpByAbsoluteValueWithDefault) {
    struct Case {
        int16_t code;
        const wchar_t* message;
    };
    const Case cases[] = {
        {0, L"Operation complete, no errors."},
        {22, L"Source file(s) not specified."},
        {-22, L"Source file(s) not specified."},
        {1, L"Failed to set source file specification."},
        {30, L"General error setting parameters."},
        {50, L"Operation aborted"},
        {-50, L"Operation aborted"},
        {151, L"Invalid Zip file name."},
        {159, L"Filename not matched."},
        {160, L"Unspecified error."},
        {161, L"Unspecified error."},
        {162, L"Cannot repeat names in Zip file."},
        {170, L"Memory error."},
        {189, L"Error replacing zip file."},
        {190, L"Zip file created, but not every original file was deleted."},
        {191, L"Unspecified error."},
        {2, L"Unspecified error."},
        {34, L"Unspecified error."},
        {32767, L"Unspecified error."},
        {-32768, L"Unspecified error."},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(statusMessage(c.code), c.message) << "code " << c.code;
    }
}

TEST(StatusMessages, SharedMessagesStayPerCode) {
    for (int16_t code : {153, 154, 155, 156, 165, 174, 176, 181}) {
        EXPECT_STREQ(statusMessage(code), L"Out of memory.") << code;
    }
    for (int16_t code : {164, 166, 171, 173}) {
        EXPECT_STREQ(statusMessage(code), L"Zip file is empty.") << code;
    }
    for (int16_t code : {158, 172, 177, 188}) {
        EXPECT_STREQ(statusMessage(code), L"Internal error.") << code;
    }
}

TEST(StatusMessages, ErrorParagraph) {
    EXPECT_EQ(errorParagraph(29), L"<P><B>Error:</B> General error in deleteOldFiles() function.<P>");
}

}  // namespace
}  // namespace kb::status
