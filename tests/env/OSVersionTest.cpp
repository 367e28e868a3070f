#include <gtest/gtest.h>

#include "env/OSVersion.h"

namespace tarnwick::mOSVersion {
namespace {

// The service-pack field as the system fills it: the text, then NULs up to
// 128 characters.
std::string Csd(std::string text) {
  text.resize(128, '\0');
  return text;
}

struct Row {
  const char* label;  // the Wine version setting that answers these facts, or the case
  OSVersionFacts facts;
  bool win2000, winXP;
  Text described;  // platform|name|version|service pack|build, from a record that held 77 and "old"s
};

const Row kRows[] = {
    {"win2k", {true, 2, 5, 0, 2195, Csd("Service Pack 4")}, true, false,
     u"2|Windows 2000|5.0|Service Pack 4|2195"},
    {"winxp", {true, 2, 5, 1, 2600, Csd("Service Pack 3")}, false, true,
     u"2|Windows XP|5.1|Service Pack 3|2600"},
    {"win2003", {true, 2, 5, 2, 3790, Csd("Service Pack 2")}, false, true,
     u"2|Windows NT|5.2|Service Pack 2|3790"},
    {"vista", {true, 2, 6, 0, 6002, Csd("Service Pack 2")}, false, true,
     u"2|Windows NT|6.0|Service Pack 2|6002"},
    {"win7", {true, 2, 6, 1, 7601, Csd("Service Pack 1")}, false, true,
     u"2|Windows NT|6.1|Service Pack 1|7601"},
    {"NT 6.3", {true, 2, 6, 3, 9600, Csd("")}, false, true, u"2|Windows NT|6.3||9600"},
    {"NT 10.0", {true, 2, 10, 0, 19045, Csd("")}, false, false, u"2|Windows NT|10.0||19045"},
    {"nt 5.3", {true, 2, 5, 3, 1, Csd("")}, false, false, u"2|Windows NT|5.3||1"},
    {"nt40", {true, 2, 4, 0, 1381, Csd("Service Pack 6a")}, false, false,
     u"2|Windows NT|4.0|Service Pack 6a|1381"},
    {"win98", {true, 1, 4, 10, 67766446, Csd(" A ")}, false, false, u"1|Windows 98|4.10| A |2222"},
    {"win95", {true, 1, 4, 0, 67109814, Csd("")}, false, false, u"1|Windows 95|4.0||950"},
    {"winme", {true, 1, 4, 90, 73010104, Csd(" ")}, false, false, u"1|Windows ME|4.90| |3000"},
    {"9x as 6.0", {true, 1, 6, 0, 1, Csd("")}, false, false, u"1|Windows 95|6.0||1"},
    {"win32s without a NUL", {true, 0, 3, 11, 0, std::string(128, 'S')}, false, false,
     u"0|Win32s|3.11|old|0"},
    {"unknown platform", {true, 3, 5, 0, 0x12345, Csd(std::string("x\0after", 7))}, false, false,
     u"3|old|5.0|x|9029"},
    {"failed query", {false, 2, 5, 0, 2195, Csd("Service Pack 4")}, false, false, u"77|old|old|old|old"},
};

TEST(OSVersion, AcceptanceAndDescription) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(IsWin2000Of(row.facts), row.win2000);
    EXPECT_EQ(IsWinXPOf(row.facts), row.winXP);
    OSInfo info{77, u"old", u"old", u"old", u"old"};
    DescribeOS(row.facts, info);
    EXPECT_EQ(DecimalText(info.PlatformId) + u"|" + info.Name + u"|" + info.Version + u"|" + info.ServicePack +
                  u"|" + info.Build,
              row.described);
  }
}

}  // namespace
}  // namespace tarnwick::mOSVersion
