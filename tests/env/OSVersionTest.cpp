#include <gtest/gtest.h>

#include <tuple>

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
  OSInfo described;  // from a record that held {77, "old", "old", "old", "old"}
};

const Row kRows[] = {
    {"win2k", {true, 2, 5, 0, 2195, Csd("Service Pack 4")}, true, false,
     {2, u"Windows 2000", u"5.0", u"Service Pack 4", u"2195"}},
    {"winxp", {true, 2, 5, 1, 2600, Csd("Service Pack 3")}, false, true,
     {2, u"Windows XP", u"5.1", u"Service Pack 3", u"2600"}},
    {"win2003", {true, 2, 5, 2, 3790, Csd("Service Pack 2")}, false, true,
     {2, u"Windows NT", u"5.2", u"Service Pack 2", u"3790"}},
    {"vista", {true, 2, 6, 0, 6002, Csd("Service Pack 2")}, false, true,
     {2, u"Windows NT", u"6.0", u"Service Pack 2", u"6002"}},
    {"win7", {true, 2, 6, 1, 7601, Csd("Service Pack 1")}, false, true,
     {2, u"Windows NT", u"6.1", u"Service Pack 1", u"7601"}},
    {"NT 6.3", {true, 2, 6, 3, 9600, Csd("")}, false, true,
     {2, u"Windows NT", u"6.3", u"", u"9600"}},
    {"NT 10.0", {true, 2, 10, 0, 19045, Csd("")}, false, false,
     {2, u"Windows NT", u"10.0", u"", u"19045"}},
    {"nt 5.3", {true, 2, 5, 3, 1, Csd("")}, false, false, {2, u"Windows NT", u"5.3", u"", u"1"}},
    {"nt40", {true, 2, 4, 0, 1381, Csd("Service Pack 6a")}, false, false,
     {2, u"Windows NT", u"4.0", u"Service Pack 6a", u"1381"}},
    {"win98", {true, 1, 4, 10, 67766446, Csd(" A ")}, false, false,
     {1, u"Windows 98", u"4.10", u" A ", u"2222"}},
    {"win95", {true, 1, 4, 0, 67109814, Csd("")}, false, false,
     {1, u"Windows 95", u"4.0", u"", u"950"}},
    {"winme", {true, 1, 4, 90, 73010104, Csd(" ")}, false, false,
     {1, u"Windows ME", u"4.90", u" ", u"3000"}},
    {"9x as 6.0", {true, 1, 6, 0, 1, Csd("")}, false, false, {1, u"Windows 95", u"6.0", u"", u"1"}},
    {"win32s without a NUL", {true, 0, 3, 11, 0, std::string(128, 'S')}, false, false,
     {0, u"Win32s", u"3.11", u"old", u"0"}},
    {"unknown platform", {true, 3, 5, 0, 0x12345, Csd(std::string("x\0after", 7))}, false, false,
     {3, u"old", u"5.0", u"x", u"9029"}},
    {"failed query", {false, 2, 5, 0, 2195, Csd("Service Pack 4")}, false, false,
     {77, u"old", u"old", u"old", u"old"}},
};

TEST(OSVersion, AcceptanceAndDescription) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(IsWin2000Of(row.facts), row.win2000);
    EXPECT_EQ(IsWinXPOf(row.facts), row.winXP);
    OSInfo info{77, u"old", u"old", u"old", u"old"};
    DescribeOS(row.facts, info);
    const OSInfo& want = row.described;
    EXPECT_EQ(std::tie(info.PlatformId, info.Name, info.Version, info.ServicePack, info.Build),
              std::tie(want.PlatformId, want.Name, want.Version, want.ServicePack, want.Build));
  }
}

}  // namespace
}  // namespace tarnwick::mOSVersion
