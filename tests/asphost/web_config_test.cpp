// A folder's web.config: the three settings asphost honours, read as XML is
// read, and refused where IIS would refuse the file.
#include "config/web_config.h"

#include <gtest/gtest.h>

#include <string>

namespace asphost {
namespace {

std::string inServer(const std::string& sections) {
    return "<configuration><system.webServer>" + sections + "</system.webServer></configuration>";
}

// Elements within elements, depth deep.
std::string nested(int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += "<a>";
    for (int i = 0; i < depth; ++i) s += "</a>";
    return s;
}

const std::string kDownloadFolder = inServer(
    "<handlers accessPolicy=\"Read\" />"
    "<staticContent><clear /><mimeMap fileExtension=\".zip\" mimeType=\"application/zip\" /></staticContent>"
    "<httpProtocol><customHeaders><remove name=\"X-Content-Type-Options\" />"
    "<add name=\"X-Content-Type-Options\" value=\"nosniff\" />"
    "<add name=\"Content-Disposition\" value=\"attachment\" /></customHeaders></httpProtocol>");

TEST(WebConfig, ADownloadFolderRunsNothingAndServesArchivesOnly) {
    FolderConfig config;
    ASSERT_TRUE(applyWebConfig(kDownloadFolder, config));
    EXPECT_FALSE(config.runsPages);
    EXPECT_EQ(staticTypeFor(config, ".zip"), std::optional<std::string>("application/zip"));
    EXPECT_EQ(staticTypeFor(config, ".ZIP"), std::optional<std::string>("application/zip"));
    for (const char* ext : {".asp", ".txt", ".html", ".svg", ".config", ""}) EXPECT_FALSE(staticTypeFor(config, ext)) << ext;
    std::vector<std::pair<std::string, std::string>> headers = {{"X-Content-Type-Options", "nosniff"},
                                                                {"Content-Disposition", "attachment"}};
    EXPECT_EQ(config.headers, headers);
    // Without a file, everything runs and the host's own types serve.
    EXPECT_TRUE(FolderConfig().runsPages);
    EXPECT_EQ(staticTypeFor(FolderConfig(), ".txt"), std::optional<std::string>(""));
}

TEST(WebConfig, ReadsTheSettingAsXmlReadsIt) {
    struct Case {
        std::string text;
        bool accepted;
        bool runsPages;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- c -->" + inServer("<handlers accessPolicy='Read' />"), true, false},
        {inServer("<handlers\n accessPolicy = \"Read,\tSource\"></handlers>"), true, false},
        {inServer("<handlers accessPolicy=\"read, script\" />"), true, true},
        {inServer("<handlers accessPolicy=\"Execute\" />"), true, true},
        {inServer("<handlers accessPolicy=\"\" />"), true, false},
        {inServer("<handlers accessPolicy=\"&#82;e&#x61;d\" />"), true, false},
        {inServer("<handlers accessPolicy=\"Read\"><add name=\"a\" path=\"*.asp\" verb=\"*\" /></handlers>"), true, false},
        // What is not the setting itself changes nothing.
        {inServer("<!-- <handlers accessPolicy=\"Read\" /> -->"), true, true},
        {inServer("<x><![CDATA[<handlers accessPolicy=\"Read\" />]]></x>"), true, true},
        {"<configuration><location path=\"a\"><system.webServer><handlers accessPolicy=\"Read\" />"
         "</system.webServer></location></configuration>", true, true},
        {"<configuration><handlers accessPolicy=\"Read\" /></configuration>", true, true},
        {inServer("<handlers accessPolicy=\"Read\" />") + "<!-- after -->\n", true, false},
        {inServer(nested(20) + "<handlers accessPolicy=\"Read\" />"), true, false},
        // Refused: not well-formed, not a configuration, or a value IIS refuses.
        {"", false, true},
        {"<configuration>", false, true},
        {"<configuration></Configuration>", false, true},
        {"<configuration/><configuration/>", false, true},
        {"<configuration/>text", false, true},
        {"<settings/>", false, true},
        {"<!DOCTYPE configuration [<!ENTITY p \"Read\">]>" + inServer("<handlers accessPolicy=\"&p;\" />"), false, true},
        {inServer("<handlers accessPolicy=Read />"), false, true},
        {inServer("<handlers accessPolicy=\"Read\" accessPolicy=\"Script\" />"), false, true},
        {inServer("<handlers accessPolicy=\"Read\"/ >"), false, true},
        {inServer("<handlers accessPolicy=\"Read, Run\" />"), false, true},
        {inServer("<handlers accessPolicy=\"Read,\" />"), false, true},
        {inServer("<handlers accessPolicy=\"a<b\" />"), false, true},
        {inServer("<handlers accessPolicy=\"&#0;\" />"), false, true},
        {inServer("<handlers accessPolicy=\"&#x110000;\" />"), false, true},
        {inServer("<x>&amp &lt;</x>"), false, true},
        {inServer("<!-- a -- b -->"), false, true},
        {inServer("<staticContent><mimeMap fileExtension=\".zip\" /></staticContent>"), false, true},
        {inServer("<staticContent><mimeMap fileExtension=\".zip\" mimeType=\"a/b&#10;X: 1\" /></staticContent>"), false,
         true},
        {inServer("<httpProtocol><customHeaders><add name=\"A B\" value=\"1\" /></customHeaders></httpProtocol>"), false,
         true},
        {inServer("<httpProtocol><customHeaders><add name=\"A\" value=\"1&#13;&#10;Set-Cookie: x\" />"
                  "</customHeaders></httpProtocol>"), false, true},
        {std::string(200, '<'), false, true},
        {inServer(nested(100)), false, true},
    };
    for (const Case& c : cases) {
        FolderConfig config;
        EXPECT_EQ(applyWebConfig(c.text, config), c.accepted) << c.text;
        EXPECT_EQ(config.runsPages, c.runsPages) << c.text;
    }
}

TEST(WebConfig, EachFolderAppliesOverThoseAbove) {
    FolderConfig config;
    ASSERT_TRUE(applyWebConfig(kDownloadFolder, config));
    ASSERT_TRUE(applyWebConfig(inServer("<handlers accessPolicy=\"Read, Script\" />"
                                        "<staticContent><remove fileExtension=\".ZIP\" />"
                                        "<mimeMap fileExtension=\".PDF\" mimeType=\"application/pdf\" /></staticContent>"
                                        "<httpProtocol><customHeaders><remove name=\"content-disposition\" />"
                                        "<add name=\"X-A\" value=\"&quot;1&quot;\" /></customHeaders></httpProtocol>"),
                               config));
    EXPECT_TRUE(config.runsPages);
    EXPECT_FALSE(staticTypeFor(config, ".zip"));
    EXPECT_EQ(staticTypeFor(config, ".pdf"), std::optional<std::string>("application/pdf"));
    EXPECT_FALSE(staticTypeFor(config, ".txt"));
    std::vector<std::pair<std::string, std::string>> headers = {{"X-Content-Type-Options", "nosniff"}, {"X-A", "\"1\""}};
    EXPECT_EQ(config.headers, headers);

    // A file that is refused changes nothing; one that clears starts afresh.
    EXPECT_FALSE(applyWebConfig(inServer("<handlers accessPolicy=\"Read\" /><x>"), config));
    EXPECT_TRUE(config.runsPages);
    ASSERT_TRUE(applyWebConfig(inServer("<staticContent><clear /></staticContent>"
                                        "<httpProtocol><customHeaders><clear /></customHeaders></httpProtocol>"),
                               config));
    EXPECT_FALSE(staticTypeFor(config, ".pdf"));
    EXPECT_TRUE(config.headers.empty());
}

}  // namespace
}  // namespace asphost
