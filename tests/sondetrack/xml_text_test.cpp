// XML text and numbers: escaping, characters XML cannot carry, and numbers
// without exponents.
#include <gtest/gtest.h>

#include "sondetrack/xml_text.h"

using namespace sondetrack;

namespace {
std::string esc(std::string_view s) {
    std::string out;
    append_xml_text(out, s);
    return out;
}
std::string num(double v) {
    std::string out;
    append_number(out, v);
    return out;
}
}  // namespace

TEST(XmlText, EscapesMarkupAndReplacesWhatXmlCannotHold) {
    EXPECT_EQ(esc("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(esc("\xC2\xB0 \xE2\x82\xAC \xF0\x9F\x8E\x88"), "\xC2\xB0 \xE2\x82\xAC \xF0\x9F\x8E\x88");  // kept
    EXPECT_EQ(esc("\t\n"), "\t\n");
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(esc(std::string("a\x01"
                              "b",
                              3)),
              "a" + fffd + "b");  // control character
    EXPECT_EQ(esc(std::string("\0", 1)), fffd);
    EXPECT_EQ(esc("\xFF"), fffd);                        // no UTF-8 at all
    EXPECT_EQ(esc("\xC3"), fffd);                        // cut short
    EXPECT_EQ(esc("\xC0\xAF"), fffd + fffd);             // overlong form of '/'
    EXPECT_EQ(esc("\xED\xA0\x80"), fffd + fffd + fffd);  // a surrogate, byte by byte
    EXPECT_EQ(esc("\xEF\xBF\xBF"), fffd);                // U+FFFF
}

TEST(XmlText, NumbersInShortestPlainDecimal) {
    EXPECT_EQ(num(48.1372), "48.1372");
    EXPECT_EQ(num(-11.5755), "-11.5755");
    EXPECT_EQ(num(2505.0), "2505");
    EXPECT_EQ(num(0.00001), "0.00001");
    EXPECT_EQ(num(1e21), "1000000000000000000000");
    EXPECT_EQ(num(static_cast<double>(48.1f)), "48.099998474121094");  // a float widened keeps its value
}
