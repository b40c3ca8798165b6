#include <cstring>
#include <string>

#include "helpers/host_session.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

using PluginApiTest = HostSession;

TEST_F(PluginApiTest, DescriptorsIdentifyThePlugin) {
  EXPECT_EQ(GetType(), 0);
  EXPECT_STREQ(GetShortInfo(), "Tervola Merrowkit");
  std::string info = GetInfo();
  EXPECT_EQ(info.rfind("Tervola Merrowkit:\xE4\xE2\xE8\xE6\xEE\xEA DBF\r\n", 0), 0u);
  int lines = 0;
  for (size_t at = 0; (at = info.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 4);
  EXPECT_EQ(info.substr(info.size() - 2), "\r\n");
  EXPECT_NE(info.find("\r\n   "), std::string::npos);  // the indented address line
  std::string copyright = Copyright();
  EXPECT_FALSE(copyright.empty());
  EXPECT_EQ(copyright.find_first_of("\r\n"), std::string::npos);
  Settings();
  SetParentWindow(nullptr);
  Draw(nullptr);
}

TEST_F(PluginApiTest, SlotsStartEmptyAndHoldWhatTheHostPuts) {
  ASSERT_NE(GetFile(), nullptr);
  EXPECT_STREQ(GetFile(), "");
  EXPECT_EQ(GetData(), 0);
  SetData(-1);
  EXPECT_EQ(GetData(), -1);
  std::string text = "C:\\data\\\xCA\xEB\xE8\xE5\xED\xF2\xFB.dbf";
  SetFile(text.c_str());
  text[0] = 'X';  // the slot keeps its own copy
  EXPECT_STREQ(GetFile(), "C:\\data\\\xCA\xEB\xE8\xE5\xED\xF2\xFB.dbf");
  SetFile(nullptr);
  ASSERT_NE(GetFile(), nullptr);
  EXPECT_STREQ(GetFile(), "");
  SetPath("anything");
  SetPath(nullptr);
  EXPECT_STREQ(GetFile(), "");
}

}  // namespace
}  // namespace quillon::testing
