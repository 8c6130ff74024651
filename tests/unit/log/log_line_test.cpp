#include "log/log_line.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kb::log {
namespace {

const Occasion kOccasion{{2026, 12, 7, 9, 5, 3}, 4242, L"/shop/zip.asp"};

TEST(LogLine, OneRowOfTabSeparatedFields) {
    Failure f{L"doZip", 159, L"Filename not matched.", L"C:\\data\\gone.txt", ERROR_FILE_NOT_FOUND};
    std::wstring line = logLine(f, kOccasion);
    EXPECT_EQ(line.substr(0, line.rfind(L'\t')),
              L"2026-12-07 09:05:03\tpid 4242\tdoZip\t/shop/zip.asp\t159\tFilename not matched.\tC:\\data\\gone.txt");
    EXPECT_EQ(line.substr(line.size() - 4), L" (2)");
}

TEST(LogLine, TheEventLogGetsOneFactToALine) {
    Failure f{L"doZip", 27, L"Cannot create unique physical directory.", L"C:\\dl\\", 0};
    EXPECT_EQ(eventText(f, kOccasion),
              L"doZip failed on the page /shop/zip.asp.\r\nStatus: 27 Cannot create unique physical directory.\r\n"
              L"Path: C:\\dl\\");
}

TEST(LogLine, EmptyFieldsAndBreaksCannotSplitTheRow) {
    Failure f{L"sourceFileList", Failure::kNoStatus, L"Refused", L"a\tb\r\nc", 0};
    EXPECT_EQ(logLine(f, {{2026, 1, 2, 3, 4, 5}, 1, L""}),
              L"2026-01-02 03:04:05\tpid 1\tsourceFileList\t-\t-\tRefused\ta<U+0009>b<U+000D><U+000A>c\t-");
}

TEST(LogLine, WhatAVisitorTypedCannotForgeRowsOrLines) {
    Failure f{L"doZip", 151, L"Invalid Zip file name.",
              L"\"x\u0085y\u2028z\u2029\r\nStatus: 0 <U+000A>\x1b\x7f\"", 0};
    EXPECT_EQ(shownText(f.path), L"<U+0022>x<U+0085>y<U+2028>z<U+2029><U+000D><U+000A>Status: 0 "
                                 L"<U+003C>U+000A><U+001B><U+007F>\"");
    std::wstring event = eventText(f, {{2026, 1, 2, 3, 4, 5}, 1, L"/q.asp\r\nPath: C:\\"});
    EXPECT_EQ(std::count(event.begin(), event.end(), L'\n'), 2) << event;
    EXPECT_EQ(logLine(f, kOccasion).find_first_of(L"\r\n\u0085\u2028\u2029"), std::wstring::npos);
}

TEST(LogLine, HResultsReadInHex) {
    EXPECT_EQ(reasonText(0), L"");
    std::wstring hr = reasonText(static_cast<DWORD>(E_ACCESSDENIED));
    EXPECT_EQ(hr.substr(hr.size() - 13), L" (0x80070005)");
}

}  // namespace
}  // namespace kb::log
