// The text of HTTP and of the web's encodings.
#include "command_line.h"
#include "web/http_message.h"
#include "web/url_encoding.h"

#include <gtest/gtest.h>

namespace asphost {
namespace {

TEST(HttpMessage, ParsesARequestHead) {
    auto r = parseRequestHead("POST /a/b.asp?x=1&y=%20 HTTP/1.1\r\nHost: 127.0.0.1\r\ncontent-length:  5 \r\n");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->method, "POST");
    EXPECT_EQ(r->path(), "/a/b.asp");
    EXPECT_EQ(r->query(), "x=1&y=%20");
    EXPECT_EQ(r->header("Content-Length"), "5");
    EXPECT_EQ(r->header("Missing"), "");
}

TEST(HttpMessage, RefusesMalformedHeads) {
    for (const char* head : {"GET /\r\n", "GET  HTTP/1.1", "G(T / HTTP/1.1", "GET / HTTP/2", "GET /a b HTTP/1.1",
                             "GET / HTTP/1.1\r\nno colon", "GET / HTTP/1.1\r\nBad Name: x",
                             "GET / HTTP/1.1\r\nX: a\rb", "GET / HTTP/1.1\r\nX: a\x01"}) {
        EXPECT_FALSE(parseRequestHead(head)) << head;
    }
}

TEST(HttpMessage, FindsTheHeadEndWithEitherLineEnd) {
    struct Case {
        std::string_view data;
        std::optional<std::pair<size_t, size_t>> end;  // head size, body start
    } cases[] = {
        {"GET / HTTP/1.1\r\nA: 1\r\n\r\nbody", {{22, 24}}},
        {"GET / HTTP/1.1\nA: 1\n\nbody", {{20, 21}}},
        {"GET / HTTP/1.1\nA: 1\r\n\r\n", {{21, 23}}},
        {"GET / HTTP/1.1\r\nA: 1\r\n", std::nullopt},
        {"GET / HTTP/1.1\r\r\r\r", std::nullopt},
    };
    for (const Case& c : cases) {
        auto end = findHeadEnd(c.data);
        ASSERT_EQ(end.has_value(), c.end.has_value()) << c.data;
        if (end) {
            EXPECT_EQ(std::make_pair(end->headSize, end->bodyStart), *c.end) << c.data;
        }
    }
    auto r = parseRequestHead("GET /x HTTP/1.1\nHost: a\n");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->header("Host"), "a");
}

TEST(HttpMessage, DeclaredLengthIsOneDecimalNumber) {
    struct Case {
        const char* head;
        std::optional<uint64_t> length;
    } cases[] = {
        {"POST / HTTP/1.1", 0},
        {"POST / HTTP/1.1\r\nContent-Length: 12", 12},
        {"POST / HTTP/1.1\r\nContent-Length: 5\r\ncontent-length: 5", 5},
        {"POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6", std::nullopt},
        {"POST / HTTP/1.1\r\nContent-Length: -1", std::nullopt},
        {"POST / HTTP/1.1\r\nContent-Length: +1", std::nullopt},
        {"POST / HTTP/1.1\r\nContent-Length: 1 2", std::nullopt},
        {"POST / HTTP/1.1\r\nContent-Length: 99999999999999999999", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(declaredContentLength(*parseRequestHead(c.head)), c.length) << c.head;
}

TEST(HttpMessage, FormatsAResponseHead) {
    ResponseHead head;
    head.contentLength = 12;
    head.headers.emplace_back(L"X-A", L"1");
    EXPECT_EQ(formatResponseHead(head),
              "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: 12\r\nX-A: 1\r\n"
              "Cache-Control: private\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n");
    head.contentType = L"application/zip";
    head.contentLength.reset();
    head.headers = {{L"Cache-Control", L"no-cache"}};
    std::string text = formatResponseHead(head);
    EXPECT_NE(text.find("Content-Type: application/zip\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Content-Length"), std::string::npos);
    EXPECT_EQ(text.find("private"), std::string::npos);
    head.headers = {{L"X-Content-Type-Options", L"nosniff"}};
    text = formatResponseHead(head);
    EXPECT_EQ(text.find("nosniff"), text.rfind("nosniff"));
    EXPECT_EQ(contentTypeFor(L".ZIP"), L"application/zip");
    EXPECT_EQ(contentTypeFor(L".bin"), L"application/octet-stream");
}

TEST(UrlEncoding, DecodesFormsAndQueries) {
    NameValues pairs = parseUrlEncoded("a=1&b=x+y%2Bz&a=%C3%A9&flag&=v&bad=%zz%4");
    NameValues expected = {{L"a", L"1"}, {L"b", L"x y+z"}, {L"a", L"\u00e9"}, {L"flag", L""}, {L"", L"v"}, {L"bad", L"%zz%4"}};
    EXPECT_EQ(pairs, expected);
    EXPECT_EQ(urlDecode("a+b%2f", false), L"a+b/");
}

TEST(UrlEncoding, EncodesAsServerURLEncode) {
    EXPECT_EQ(urlEncode(L"a b/c.d\u00e9"), L"a+b%2Fc%2Ed%C3%A9");
}

TEST(UrlEncoding, EncodesPathsForALocation) {
    EXPECT_EQ(encodePath(L"/my dir/a-b_c.~!$&'()*+,;=@/"), L"/my%20dir/a-b_c.~!$&'()*+,;=@/");
    EXPECT_EQ(encodePath(L"/%#?\\\u00fc\x7f/"), L"/%25%23%3F%5C%C3%BC%7F/");
}

TEST(CommandLine, Forms) {
    std::wstring error;
    auto run = parseCommandLine({L"run", L"--root", L"site", L"zip.asp", L"--query", L"a=1", L"--form", L"f=2"}, error);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->page, L"zip.asp");
    EXPECT_EQ(run->query, L"a=1");
    EXPECT_EQ(run->form, std::optional<std::wstring>(L"f=2"));
    auto serve = parseCommandLine({L"serve", L"--root", L"site", L"--port", L"0", L"--head-timeout", L"2",
                                   L"--body-timeout", L"3600", L"--max-request-entity", L"0"}, error);
    ASSERT_TRUE(serve);
    EXPECT_EQ(serve->port, 0);
    EXPECT_EQ(serve->limits.head.count(), 2);
    EXPECT_EQ(serve->limits.body.count(), 3600);
    EXPECT_EQ(serve->limits.maxEntity, 0u);
    EXPECT_EQ(parseCommandLine({L"--help"}, error)->mode, CommandLine::Mode::Help);
    for (std::vector<std::wstring> bad : std::vector<std::vector<std::wstring>>{
             {}, {L"walk"}, {L"run", L"--root", L"s"}, {L"run", L"p.asp"}, {L"serve", L"--root", L"s", L"--port", L"70000"},
             {L"serve", L"--root", L"s", L"x.asp"}, {L"run", L"--root"}, {L"serve", L"--root", L"s", L"--port", L"-1"},
             {L"serve", L"--root", L"s", L"--head-timeout", L"0"}, {L"serve", L"--root", L"s", L"--body-timeout", L"2s"},
             {L"serve", L"--root", L"s", L"--max-request-entity", L"1073741825"},
             {L"run", L"--root", L"s", L"p.asp", L"--head-timeout", L"2"}, {L"--help", L"serve"}}) {
        EXPECT_FALSE(parseCommandLine(bad, error));
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace asphost
