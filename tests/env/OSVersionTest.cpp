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
  const char* wineName;
  OSVersionFacts facts;
  bool win2000, winXP;
  const char16_t *name, *version, *build, *servicePack;
};

// What Wine answers for each of its per-program version settings.
const Row kMatrix[] = {
    {"win2k", {true, 2, 5, 0, 2195, Csd("Service Pack 4")}, true, false, u"Windows 2000", u"5.0", u"2195", u"Service Pack 4"},
    {"winxp", {true, 2, 5, 1, 2600, Csd("Service Pack 3")}, false, true, u"Windows XP", u"5.1", u"2600", u"Service Pack 3"},
    {"win2003", {true, 2, 5, 2, 3790, Csd("Service Pack 2")}, false, true, u"Windows NT", u"5.2", u"3790", u"Service Pack 2"},
    {"vista", {true, 2, 6, 0, 6002, Csd("Service Pack 2")}, false, true, u"Windows NT", u"6.0", u"6002", u"Service Pack 2"},
    {"win7", {true, 2, 6, 1, 7601, Csd("Service Pack 1")}, false, true, u"Windows NT", u"6.1", u"7601", u"Service Pack 1"},
    {"win10", {true, 2, 6, 2, 9200, Csd("")}, false, true, u"Windows NT", u"6.2", u"9200", u""},
    {"nt40", {true, 2, 4, 0, 1381, Csd("Service Pack 6a")}, false, false, u"Windows NT", u"4.0", u"1381", u"Service Pack 6a"},
    {"win98", {true, 1, 4, 10, 67766446, Csd(" A ")}, false, false, u"Windows 98", u"4.10", u"2222", u" A "},
    {"win95", {true, 1, 4, 0, 67109814, Csd("")}, false, false, u"Windows 95", u"4.0", u"950", u""},
    {"winme", {true, 1, 4, 90, 73010104, Csd(" ")}, false, false, u"Windows ME", u"4.90", u"3000", u" "},
};

TEST(OSVersion, WineVersionMatrix) {
  for (const Row& row : kMatrix) {
    SCOPED_TRACE(row.wineName);
    EXPECT_EQ(IsWin2000Of(row.facts), row.win2000);
    EXPECT_EQ(IsWinXPOf(row.facts), row.winXP);
    OSInfo info;
    DescribeOS(row.facts, info);
    EXPECT_EQ(info.PlatformId, static_cast<std::int32_t>(row.facts.platformId));
    EXPECT_EQ(info.Name, row.name);
    EXPECT_EQ(info.Version, row.version);
    EXPECT_EQ(info.Build, row.build);
    EXPECT_EQ(info.ServicePack, row.servicePack);
  }
}

TEST(OSVersion, AcceptanceBeyondTheMatrix) {
  EXPECT_TRUE(IsWinXPOf({true, 2, 6, 3, 9600, Csd("")}));
  EXPECT_FALSE(IsWinXPOf({true, 2, 7, 0, 1, Csd("")}));
  EXPECT_FALSE(IsWinXPOf({true, 2, 10, 0, 19045, Csd("")}));
  EXPECT_FALSE(IsWinXPOf({true, 2, 5, 3, 1, Csd("")}));
  EXPECT_FALSE(IsWinXPOf({true, 1, 5, 1, 1, Csd("")}));
  EXPECT_FALSE(IsWin2000Of({true, 1, 5, 0, 1, Csd("")}));
  // A failed query accepts nothing, whatever the record holds.
  EXPECT_FALSE(IsWin2000Of({false, 2, 5, 0, 2195, Csd("")}));
  EXPECT_FALSE(IsWinXPOf({false, 2, 5, 1, 2600, Csd("")}));
}

OSInfo Filled() {
  OSInfo info;
  info.PlatformId = 77;
  info.Name = u"old name";
  info.Version = u"old version";
  info.ServicePack = u"old pack";
  info.Build = u"old build";
  return info;
}

TEST(OSVersion, FieldsLeftAsTheyWere) {
  OSInfo failed = Filled();
  DescribeOS({false, 2, 5, 1, 2600, Csd("Service Pack 3")}, failed);
  EXPECT_EQ(failed.PlatformId, 77);
  EXPECT_EQ(failed.Name, u"old name");
  EXPECT_EQ(failed.Version, u"old version");

  OSInfo unknownPlatform = Filled();
  DescribeOS({true, 3, 1, 2, 0x12345, Csd("x")}, unknownPlatform);
  EXPECT_EQ(unknownPlatform.PlatformId, 3);
  EXPECT_EQ(unknownPlatform.Name, u"old name");
  EXPECT_EQ(unknownPlatform.Version, u"1.2");
  EXPECT_EQ(unknownPlatform.Build, u"9029");  // 0x2345
  EXPECT_EQ(unknownPlatform.ServicePack, u"x");

  OSInfo noNul = Filled();
  DescribeOS({true, 0, 3, 11, 0, std::string(128, 'S')}, noNul);
  EXPECT_EQ(noNul.Name, u"Win32s");
  EXPECT_EQ(noNul.ServicePack, u"old pack");

  OSInfo firstNul = Filled();
  std::string csd = Csd("");
  csd.replace(1, 5, "after");  // text after the first NUL is not part of it
  DescribeOS({true, 2, 5, 0, 2195, csd}, firstNul);
  EXPECT_EQ(firstNul.ServicePack, u"");
}

}  // namespace
}  // namespace tarnwick::mOSVersion
