// The INI file as Windows' profile functions read and write it. The same cases
// hold for the Windows build, where the seam calls the real functions.
#include "config/profile.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/director_fixture.hpp"
#include "support/ini_file.hpp"

namespace {

class Profile : public ::testing::Test {
 protected:
  std::string Read(const std::string& key, const std::string& defaultText = "d",
                   std::size_t size = 256, const std::string& section = "KOVREL") {
    return ReadProfileText(ini, section, key, defaultText, size);
  }
  // The file's bytes after one write into a file that held `before`.
  std::string AfterWrite(const std::string& before, const std::string& key,
                         const std::string& text, const std::string& section = "KOVREL") {
    WriteFileBytes(ini, before);
    EXPECT_TRUE(WriteProfileText(ini, section, key, text));
    return ReadFileBytes(ini);
  }

  TempFolder folder;
  std::string ini = folder.File("t.ini");
};

TEST_F(Profile, MissingFileSectionOrKeyReadsAsTheDefault) {
  EXPECT_EQ(Read("auto", "a"), "a");
  EXPECT_FALSE(FileExists(ini)) << "a read creates nothing";
  WriteFileBytes(ini, "[Other]\r\nauto=5\r\n[KOVREL]\r\nwaitsec=3\r\nnoequals\r\n");
  EXPECT_EQ(Read("auto", "a"), "a");
  EXPECT_EQ(Read("auto", "a", 256, "Missing"), "a");
  EXPECT_EQ(Read("noequals", "a"), "a") << "a line without '=' has no value";
  EXPECT_EQ(Read("waitsec", "a"), "3");
}

TEST_F(Profile, ReadingAFolderGivesTheDefault) {
  std::filesystem::create_directory(ini);
  EXPECT_EQ(Read("auto", "a"), "a");
  EXPECT_FALSE(WriteProfileText(ini, "KOVREL", "auto", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(ini));
}

TEST_F(Profile, NamesMatchWithoutCaseAndBlanksAroundThemAreTrimmed) {
  WriteFileBytes(ini,
                 "  [ kovrel ]  \r\n"
                 "  WaitSec  =  x  y  \r\n"
                 "\tauto\t=\t7\t\r\n"
                 "debug=4\x1a\r\n"
                 "e=a=b=c\r\n"
                 "empty=\r\n");
  EXPECT_EQ(Read("waitsec"), "x  y");
  EXPECT_EQ(Read("AUTO"), "7");
  EXPECT_EQ(Read("debug"), "4") << "Ctrl-Z counts as a blank";
  EXPECT_EQ(Read("e"), "a=b=c") << "the first '=' parts name and value";
  EXPECT_EQ(Read("empty"), "");
}

TEST_F(Profile, OnePairOfMatchingQuotesIsDropped) {
  WriteFileBytes(ini,
                 "[KOVREL]\r\n"
                 "q1=\"abc\"\r\nq2='abc'\r\nq3=\"abc\r\nq4=\"\"\r\nq5=\"\r\n"
                 "q6=\" x \"\r\nq7=abc\"\r\nq8=\"abc'\r\nq9=\"\"x\"\"\r\n");
  EXPECT_EQ(Read("q1"), "abc");
  EXPECT_EQ(Read("q2"), "abc");
  EXPECT_EQ(Read("q3"), "\"abc");
  EXPECT_EQ(Read("q4"), "");
  EXPECT_EQ(Read("q5"), "\"");
  EXPECT_EQ(Read("q6"), " x ") << "blanks inside the quotes stay";
  EXPECT_EQ(Read("q7"), "abc\"");
  EXPECT_EQ(Read("q8"), "\"abc'");
  EXPECT_EQ(Read("q9"), "\"x\"") << "only one pair goes";
}

TEST_F(Profile, TheDefaultLosesTrailingSpacesAndQuotes) {
  EXPECT_EQ(Read("missing", "def  "), "def");
  EXPECT_EQ(Read("missing", "  def"), "  def");
  EXPECT_EQ(Read("missing", "\"def\""), "def");
}

TEST_F(Profile, TheResultIsCutToTheBufferSizeLessOne) {
  const std::string longText(300, 'x');
  WriteFileBytes(ini, "[KOVREL]\r\nlong=" + longText + "\r\nshort=abcdef\r\n");
  EXPECT_EQ(Read("long", "d", 255), std::string(254, 'x'));
  EXPECT_EQ(Read("long", "d", 256), std::string(255, 'x'));
  EXPECT_EQ(Read("short", "d", 5), "abcd");
  EXPECT_EQ(Read("short", "d", 1), "");
  EXPECT_EQ(Read("short", "d", 0), "");
  EXPECT_EQ(Read("missing", "default", 4), "def");
}

TEST_F(Profile, TheFirstMatchingSectionAndKeyAreRead) {
  WriteFileBytes(ini,
                 "auto=3\r\n"
                 "[KOVREL]\r\nx=1\r\ndup=1\r\ndup=2\r\n"
                 "[Other]\r\nk=2\r\n"
                 "[KOVREL]\r\nauto=4\r\n");
  EXPECT_EQ(Read("dup"), "1");
  EXPECT_EQ(Read("auto", "a"), "a") << "only the first section of a name is searched";
  EXPECT_EQ(Read("auto", "a", 256, ""), "3") << "lines before any section are nameless";
}

TEST_F(Profile, LineBreaksOfEveryKindAndAByteOrderMarkAreRead) {
  WriteFileBytes(ini, "[KOVREL]\nauto=4\n");
  EXPECT_EQ(Read("auto"), "4");
  WriteFileBytes(ini, "[KOVREL]\rauto=5\r");
  EXPECT_EQ(Read("auto"), "5");
  WriteFileBytes(ini, "\xEF\xBB\xBF[KOVREL]\r\nauto=6");
  EXPECT_EQ(Read("auto"), "6");
  WriteFileBytes(ini, "[KOVREL\r\nauto=7\r\n[KOVREL]x\r\nauto=8\r\n");
  EXPECT_EQ(Read("auto"), "8") << "no ']' makes no section; text after it is ignored";
}

TEST_F(Profile, AWriteCreatesTheFileTheSectionAndTheKey) {
  EXPECT_TRUE(WriteProfileText(ini, "KOVREL", "auto", "1"));
  EXPECT_TRUE(WriteProfileText(ini, "KOVREL", "autokey", "0x41"));
  EXPECT_EQ(ReadFileBytes(ini), "[KOVREL]\r\nauto=1\r\nautokey=0x41\r\n");
  EXPECT_EQ(AfterWrite("", "auto", "1"), "[KOVREL]\r\nauto=1\r\n");
  EXPECT_EQ(AfterWrite("[Other]\r\nx=1\r\n", "auto", "1"),
            "[Other]\r\nx=1\r\n[KOVREL]\r\nauto=1\r\n");
  EXPECT_EQ(AfterWrite("[Other]\r\nx=1", "auto", "1"), "[Other]\r\nx=1\r\n[KOVREL]\r\nauto=1\r\n");
  EXPECT_FALSE(WriteProfileText(folder.File("missing/t.ini"), "KOVREL", "auto", "1"));
}

TEST_F(Profile, AValueIsReplacedInPlaceAndEveryOtherByteKept) {
  const std::string head = "; head\r\n[kovrel]\r\n";
  const std::string tail = ";comment\r\n\r\n[other]\r\n y = 2 \r\n";
  EXPECT_EQ(AfterWrite(head + "  WaitSec  =  abc  \r\n" + tail, "waitsec", "15"),
            head + "WaitSec=15\r\n" + tail);
  EXPECT_EQ(AfterWrite("[KOVREL]\r\nwaitsec\r\n", "waitsec", "15"), "[KOVREL]\r\nwaitsec=15\r\n")
      << "a key without a value gets one";
  EXPECT_EQ(AfterWrite("[A]\r\n[KOVREL]\r\nx=1\r\n[KOVREL]\r\nauto=4\r\n", "auto", "9"),
            "[A]\r\n[KOVREL]\r\nx=1\r\nauto=9\r\n[KOVREL]\r\nauto=4\r\n");
}

TEST_F(Profile, TheSameValueAgainLeavesTheFileAlone) {
  EXPECT_EQ(AfterWrite("[KOVREL]\r\nwaitsec = 15 \n", "waitsec", "15"),
            "[KOVREL]\r\nwaitsec = 15 \n");
}

TEST_F(Profile, LeadingBlanksOfAWrittenValueAreDropped) {
  EXPECT_EQ(AfterWrite("[KOVREL]\r\nwaitsec=15\r\n", "waitsec", "  16  "),
            "[KOVREL]\r\nwaitsec=16  \r\n");
  EXPECT_EQ(ReadProfileText(ini, "KOVREL", "waitsec", "a", 256), "16");
}

TEST_F(Profile, ANewKeyFollowsTheLastNonBlankLineOfItsSection) {
  EXPECT_EQ(AfterWrite("[KOVREL]\r\nauto=1\r\n\r\n[Other]\r\nx=1\r\n", "waitsec", "15"),
            "[KOVREL]\r\nauto=1\r\nwaitsec=15\r\n\r\n[Other]\r\nx=1\r\n");
  EXPECT_EQ(AfterWrite("[KOVREL]\r\nauto=1\r\n\r\n  \r\n", "waitsec", "15"),
            "[KOVREL]\r\nauto=1\r\nwaitsec=15\r\n\r\n  \r\n");
  EXPECT_EQ(AfterWrite("[KOVREL]\r\nauto=1\r\n;c\r\n[x]\r\n", "waitsec", "15"),
            "[KOVREL]\r\nauto=1\r\n;c\r\nwaitsec=15\r\n[x]\r\n");
  EXPECT_EQ(AfterWrite("[KOVREL]", "auto", "1"), "[KOVREL]\r\nauto=1\r\n");
  EXPECT_EQ(AfterWrite("[KOVREL]\r\nauto=1", "Auto2", "2"), "[KOVREL]\r\nauto=1\r\nAuto2=2\r\n");
  EXPECT_EQ(AfterWrite("[KOVREL]\nauto=4\n", "b", "2"), "[KOVREL]\nauto=4\nb=2\r\n");
  EXPECT_EQ(AfterWrite("[KOVREL]\r\n\r\n[x]\r\n", "b", "2"), "[KOVREL]\r\nb=2\r\n\r\n[x]\r\n");
}

}  // namespace
