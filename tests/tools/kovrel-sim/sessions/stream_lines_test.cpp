#include <gtest/gtest.h>

#include "sessions/stream_lines.hpp"

namespace {

using ksim::CarEntry;
using ksim::ContactReport;
using ksim::ParseContactLine;
using ksim::ParseTimingPoint;
using ksim::TimingPoint;

CarEntry Car(std::int32_t id, const std::string& name) {
  CarEntry car;
  car.id = id;
  car.driver = name;
  return car;
}

TEST(StreamLines, ContactLinesAreWrittenInTheSimulatorsFormat) {
  const CarEntry heigo = Car(38, "Heigo Poom");
  const CarEntry tom = Car(24, "Tom Parker");
  EXPECT_EQ(ksim::ContactLine(483.04, heigo, 0.0649, &tom),
            "<Incident et=\"483.0\">Heigo Poom(38) reported contact (0.06) with another vehicle Tom Parker(24)"
            "</Incident>\n");
  EXPECT_EQ(ksim::ContactLine(12.0, tom, 0.5, nullptr),
            "<Incident et=\"12.0\">Tom Parker(24) reported contact (0.50) with Immovable</Incident>\n");
}

TEST(StreamLines, ScoreLinesAreWrittenInTheSimulatorsFormat) {
  const CarEntry kevin = Car(47, "Kevin Karas");
  EXPECT_EQ(ksim::ScoreLine(352.429, kevin, 1, 0, 111.922),
            "<Score et=\"352.4\">Kevin Karas(47) lap=1 point=0 t=111.922 et=352.429</Score>\n");
  EXPECT_EQ(ksim::ScoreLine(105.809, kevin, 0, 1, -3.0),
            "<Score et=\"105.8\">Kevin Karas(47) lap=0 point=1 t=-1.000 et=105.809</Score>\n");
}

TEST(StreamLines, ContactsAreReadFromRealLines) {
  ContactReport r;
  ASSERT_TRUE(ParseContactLine(
      "<Incident et=\"962.3\">Julien Pereira(46) reported contact (1408.34) with another vehicle Marcel Wolf(54)"
      "</Incident>",
      r));
  EXPECT_DOUBLE_EQ(r.et, 962.3);
  EXPECT_EQ(r.reporter, "Julien Pereira");
  EXPECT_EQ(r.reporterId, 46);
  EXPECT_DOUBLE_EQ(r.strength, 1408.34);
  EXPECT_TRUE(r.withVehicle);
  EXPECT_EQ(r.other, "Marcel Wolf");
  EXPECT_EQ(r.otherId, 54);

  // A blank before the bracket belongs to the name; other objects than walls.
  ASSERT_TRUE(ParseContactLine(
      "<Incident et=\"943.6\">Christian Tropeano (53) reported contact (1541.45) with Immovable</Incident>", r));
  EXPECT_EQ(r.reporter, "Christian Tropeano ");
  EXPECT_EQ(r.reporterId, 53);
  EXPECT_FALSE(r.withVehicle);
  EXPECT_EQ(r.target, "Immovable");
  ASSERT_TRUE(ParseContactLine("<Incident et=\"251.7\">-Reiko (Rex) Arnold(42) reported contact (24.29) with Sign</Incident>", r));
  EXPECT_EQ(r.reporter, "-Reiko (Rex) Arnold");
  EXPECT_EQ(r.reporterId, 42);
  EXPECT_EQ(r.target, "Sign");
}

TEST(StreamLines, OtherLinesAreNotContacts) {
  ContactReport r;
  EXPECT_FALSE(ParseContactLine("<Score et=\"97.6\">Ann(5) lap=0 point=1 t=-1.000 et=97.567</Score>", r));
  EXPECT_FALSE(ParseContactLine("<Incident et=\"1.0\">Ann(5) reported contact with Immovable</Incident>", r));
  EXPECT_FALSE(ParseContactLine("<Incident et=\"1.0\">Ann reported contact (0.3) with Immovable</Incident>", r));
  EXPECT_FALSE(ParseContactLine("<Incident et=\"1.0\">Ann(5) reported contact (0.3) with another vehicle Bob",
                                r));
}

TEST(StreamLines, TimingPointsAreReadWithTheirNamesAndTimes) {
  TimingPoint p;
  ASSERT_TRUE(ParseTimingPoint("Udo Remme (59) lap=14 point=2 t=-1.000 et=1777.663", p));
  EXPECT_EQ(p.driver, "Udo Remme ");
  EXPECT_EQ(p.id, 59);
  EXPECT_EQ(p.lapsCompleted, 14);
  EXPECT_EQ(p.point, 2);
  EXPECT_LT(p.splitTime, 0.0);
  EXPECT_DOUBLE_EQ(p.et, 1777.663);
  EXPECT_FALSE(ParseTimingPoint("Checkered for Kevin Karas, laps=15/2147483647, endET=1785.255737/1740.506592", p));
  EXPECT_FALSE(ParseTimingPoint("Ann(5) lap=1 point=7 t=1.0 et=2.0", p));
}

}  // namespace
