#include <gtest/gtest.h>

#include "common/text.hpp"

namespace {

TEST(Text, BytesThatAreNotUtf8AreReadAsLatin1) {
  EXPECT_EQ(ksim::ValidUtf8("J\xE9r\xF4me"), "J\xC3\xA9r\xC3\xB4me");
  EXPECT_EQ(ksim::ValidUtf8("J\xC3\xA9rome \xE2\x82\xAC"), "J\xC3\xA9rome \xE2\x82\xAC") << "valid UTF-8 stays";
  EXPECT_EQ(ksim::ValidUtf8("end\xC3"), "end\xC3\x83") << "a cut sequence";
  EXPECT_EQ(ksim::ValidUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF") << "an overlong form is not UTF-8";
  EXPECT_EQ(ksim::ValidUtf8("\xED\xA0\x80").size(), 6u) << "a surrogate is not UTF-8";
}

TEST(Text, HtmlTextIsEscapedAndValid) {
  EXPECT_EQ(ksim::HtmlText("<b>\"A&B\"</b>"), "&lt;b&gt;&quot;A&amp;B&quot;&lt;/b&gt;");
  EXPECT_EQ(ksim::HtmlText("\xE9"), "\xC3\xA9");
}

TEST(Text, ClockTextRoundsToTenthsWithoutSixtySeconds) {
  EXPECT_EQ(ksim::ClockText(0.0), "0:00.0");
  EXPECT_EQ(ksim::ClockText(59.96), "1:00.0");
  EXPECT_EQ(ksim::ClockText(754.25), "12:34.3");
  EXPECT_EQ(ksim::ClockText(3725.2), "1:02:05.2");
  EXPECT_EQ(ksim::ClockText(-1.5), "-0:01.5");
}

}  // namespace
