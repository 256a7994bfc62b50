#include "core/localtarget.h"

#include <gtest/gtest.h>

using namespace core;

TEST(LocalTarget, ScanFindsFileSchemeAnywhereButNotAfterADoubledF) {
    EXPECT_TRUE(isLocalTarget("file:///C:\\prog\\help\\index.htm"));
    EXPECT_TRUE(isLocalTarget("file:////home/ana/help/index.htm"));
    EXPECT_TRUE(isLocalTarget("see file:///x"));
    EXPECT_TRUE(isLocalTarget("fxfile:///x"));
    EXPECT_FALSE(isLocalTarget("fifile:///x")); // the second f only breaks "fi", starts nothing
    EXPECT_FALSE(isLocalTarget("ffile:///x"));
    EXPECT_FALSE(isLocalTarget("file://x"));
    EXPECT_FALSE(isLocalTarget("http://tevosoft.example/"));
    EXPECT_FALSE(isLocalTarget("www.example.com"));
    EXPECT_FALSE(isLocalTarget(""));
}

TEST(LocalTarget, PathIsTheTargetWithoutItsFirstEightCharacters) {
    EXPECT_EQ(getarchivofromurl("file:////prog/help\\index.htm"), "/prog/help\\index.htm");
    EXPECT_EQ(getarchivofromurl("see file:///x"), ":///x"); // whatever the target holds
    EXPECT_EQ(getarchivofromurl("file:///"), "");
    EXPECT_EQ(getarchivofromurl("abc"), "");
    EXPECT_EQ(localPathForSystem("/prog/help\\index.htm"), "/prog/help/index.htm");
}
