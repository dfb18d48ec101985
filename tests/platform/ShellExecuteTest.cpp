// Opening a cached address: web addresses go to the browser, anything else is refused.

#include "platform/shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane::platform {
namespace {

TEST(ShellExecute, WebAddressesAreRecognisedWhateverTheirCase) {
    for (const char* url : {"http://example.com/", "HTTPS://Example.com/a?b=c#d",
                            "ftp://files.example.net/pub/x.zip", "http://[::1]:8080/"})
        EXPECT_TRUE(IsWebAddress(url)) << url;
}

TEST(ShellExecute, LocalPathsOtherSchemesAndOddTextAreNotWebAddresses) {
    for (const char* text :
         {"", "C:\\WINDOWS\\system32\\calc.exe", "file:///usr/bin/xterm", "/usr/bin/xterm",
          "Cookie:ann@example.com/", "Visited: ann@http://example.com/", "javascript:alert(1)",
          "http://", "http:///path-only", "example.com", "http://exa mple.com/",
          "http://example.com/\nfile:///etc/passwd", "mailto:ann@example.com"})
        EXPECT_FALSE(IsWebAddress(text)) << text;
}

TEST(ShellExecute, HandsWebAddressesToTheOpenerAndRefusesTheRest) {
    std::vector<std::string> opened;
    SetUrlOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_GT(ShellExecuteA(nullptr, "", "http://example.com/", "", "C:\\", SW_SHOWNORMAL), 32);
    EXPECT_EQ(ShellExecuteA(nullptr, "", "C:\\WINDOWS\\notepad.exe", "", "C:\\", SW_SHOWNORMAL),
              SE_ERR_NOASSOC);
    SetUrlOpener([](const std::string&) { return false; });
    EXPECT_LE(ShellExecuteA(nullptr, "", "https://example.org/", "", "C:\\", SW_SHOWNORMAL), 32);
    SetUrlOpener({});
    EXPECT_EQ(opened, std::vector<std::string>{"http://example.com/"});
}

} // namespace
} // namespace corvane::platform
