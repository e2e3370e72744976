// Text mode as the files receive it: every line feed becomes CR LF, nothing else changes.
#include "outputs/text_mode.hpp"

#include <gtest/gtest.h>

namespace {

TEST(TextMode, EveryLineFeedBecomesCarriageReturnAndLineFeed) {
  EXPECT_EQ(ToCrLf(""), "");
  EXPECT_EQ(ToCrLf("no line end"), "no line end");
  EXPECT_EQ(ToCrLf("\n"), "\r\n");
  EXPECT_EQ(ToCrLf("\n\nmiddle\n\n"), "\r\n\r\nmiddle\r\n\r\n");
  EXPECT_EQ(ToCrLf("a\nb\nc"), "a\r\nb\r\nc");
  // A carriage return already there stays, as Windows' text mode keeps it.
  EXPECT_EQ(ToCrLf("a\r\nb\r"), "a\r\r\nb\r");
  EXPECT_EQ(ToCrLf(std::string("nul\0byte\n", 9)), std::string("nul\0byte\r\n", 10));
}

}  // namespace
