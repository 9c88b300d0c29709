#include "launcher/update/directory_reply.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Hosts = std::vector<std::string>;

TEST(DirectoryReplyTest, TheLauncherPassReadsItsOptionsInsideOthers) {
  struct Case {
    const char* what;
    std::string reply;
    bool usable;
    std::optional<Hosts> hosts;
    std::optional<int> patchOption;
    std::optional<bool> useWebExtraParam;
    std::optional<bool> deleteLog;
    std::optional<bool> preDlcCheck;
    std::optional<std::string> activity;
    bool force;
  };
  const std::string every_key =
      R"({"PatchOption":0,"UseWebExtraParam":true,"DeleteLogTXT":true,"PreDlcCheck":false,)"
      R"("DlcAddr":["https://a/","https://b/"],"ActivityAddr":"https://news/",)"
      R"("TransToGame":{"k":1},"ForceUpdateLauncher":"yes"})";
  const auto others = [](const std::string& inner) {
    std::string escaped;
    for (char c : inner) {
      if (c == '"' || c == '\\') escaped += '\\';
      escaped += c;
    }
    return R"({"Others":")" + escaped + R"("})";
  };
  const Case cases[] = {
      {"not JSON", "<html>", false, {}, {}, {}, {}, {}, {}, false},
      {"no Others", R"({"DlcAddr":"https://a/"})", false, {}, {}, {}, {}, {}, {}, false},
      {"Others not JSON", R"({"Others":"{oops"})", false, {}, {}, {}, {}, {}, {}, false},
      {"Others an object, which has no text",
       R"({"Others":{"DlcAddr":"https://a/"}})",
       false,
       {},
       {},
       {},
       {},
       {},
       {},
       false},
      {"every key", others(every_key), true, Hosts{"https://a/", "https://b/"}, 0, true, true,
       false, "https://news/", true},
      {"options without DlcAddr still count",
       others(R"({"PatchOption":5,"PreDlcCheck":true})"),
       false,
       {},
       5,
       {},
       {},
       true,
       {},
       false},
      {"wrong types are passed over",
       others(R"({"DlcAddr":"h","PatchOption":"3","UseWebExtraParam":1,"DeleteLogTXT":"true",)"
              R"("PreDlcCheck":null,"ActivityAddr":7})"),
       true,
       Hosts{"h"},
       {},
       {},
       {},
       {},
       {},
       false},
      {"PatchOption not whole or out of range",
       others(R"({"DlcAddr":"h","PatchOption":1.5})"),
       true,
       Hosts{"h"},
       {},
       {},
       {},
       {},
       {},
       false},
      {"PatchOption past 32 bits",
       others(R"({"DlcAddr":"h","PatchOption":4294967296})"),
       true,
       Hosts{"h"},
       {},
       {},
       {},
       {},
       {},
       false},
      {"PatchOption written as a whole float",
       others(R"({"DlcAddr":"h","PatchOption":3.0})"),
       true,
       Hosts{"h"},
       3,
       {},
       {},
       {},
       {},
       false},
      {"DlcAddr as a number",
       others(R"({"DlcAddr":12})"),
       true,
       Hosts{"12"},
       {},
       {},
       {},
       {},
       {},
       false},
      {"DlcAddr with an object inside",
       others(R"({"DlcAddr":["h",{"x":1}]})"),
       false,
       {},
       {},
       {},
       {},
       {},
       {},
       false},
      {"ForceUpdateLauncher false forces",
       others(R"({"DlcAddr":"h","ForceUpdateLauncher":false})"),
       true,
       Hosts{"h"},
       {},
       {},
       {},
       {},
       {},
       true},
      {"ForceUpdateLauncher empty does not",
       others(R"({"DlcAddr":"h","ForceUpdateLauncher":""})"),
       true,
       Hosts{"h"},
       {},
       {},
       {},
       {},
       {},
       false},
      {"ForceUpdateLauncher an array",
       others(R"({"DlcAddr":"h","ForceUpdateLauncher":[1]})"),
       false,
       Hosts{"h"},
       {},
       {},
       {},
       {},
       {},
       false},
      {"keys inside arrays",
       others(R"({"list":[{"DlcAddr":"deep"},{"PatchOption":1}]})"),
       true,
       Hosts{"deep"},
       1,
       {},
       {},
       {},
       {},
       false},
      {"DlcAddr only at the top level",
       R"({"DlcAddr":"top","Others":"{}"})",
       false,
       {},
       {},
       {},
       {},
       {},
       {},
       false},
  };
  for (const Case& c : cases) {
    const LauncherDirectoryReply reply = ParseLauncherDirectoryReply(c.reply);
    EXPECT_EQ(reply.usable, c.usable) << c.what;
    EXPECT_EQ(reply.contentHosts, c.hosts) << c.what;
    EXPECT_EQ(reply.patchOption, c.patchOption) << c.what;
    EXPECT_EQ(reply.useWebExtraParam, c.useWebExtraParam) << c.what;
    EXPECT_EQ(reply.deleteLogTxt, c.deleteLog) << c.what;
    EXPECT_EQ(reply.preDlcCheck, c.preDlcCheck) << c.what;
    EXPECT_EQ(reply.activityAddr, c.activity) << c.what;
    EXPECT_EQ(reply.forceUpdateLauncher, c.force) << c.what;
  }
  const LauncherDirectoryReply all = ParseLauncherDirectoryReply(others(every_key));
  ASSERT_TRUE(all.transToGame.has_value());
  EXPECT_EQ((*all.transToGame)["k"].asInt(), 1);
}

TEST(DirectoryReplyTest, TheGamePassReadsTheTopLevel) {
  using Result = GameDirectoryReply::Result;
  struct Case {
    const char* what;
    std::string reply;
    Result result;
    Hosts hosts;
    std::optional<std::string> map;
  };
  const Case cases[] = {
      {"not JSON", "Bad Gateway", Result::NotJson, {}, {}},
      {"empty", "", Result::NotJson, {}, {}},
      {"no DlcAddr", R"({"CDN":"{}"})", Result::NoDlcAddr, {}, {}},
      {"DlcAddr null", R"({"DlcAddr":null})", Result::NoDlcAddr, {}, {}},
      {"DlcAddr an object", R"({"DlcAddr":{"a":"h"}})", Result::NoDlcAddr, {}, {}},
      {"DlcAddr inside Others only",
       R"({"Others":"{\"DlcAddr\":\"h\"}"})",
       Result::NoDlcAddr,
       {},
       {}},
      {"one host", R"({"DlcAddr":"https://a/"})", Result::Ok, {"https://a/"}, {}},
      {"hosts in order",
       R"({"DlcAddr":["https://b/","https://a/"]})",
       Result::Ok,
       {"https://b/", "https://a/"},
       {}},
      {"an empty array", R"({"DlcAddr":[]})", Result::Ok, {}, {}},
      {"found inside an array", R"({"data":[{"DlcAddr":"h"}]})", Result::Ok, {"h"}, {}},
      {"with a map",
       R"({"DlcAddr":"h","CDN":"{\"a\":{\"md5\":\"x\"}}"})",
       Result::Ok,
       {"h"},
       std::string(R"({"a":{"md5":"x"}})")},
      {"CDN a boolean", R"({"DlcAddr":"h","CDN":true})", Result::Ok, {"h"}, std::string("true")},
  };
  for (const Case& c : cases) {
    const GameDirectoryReply reply = ParseGameDirectoryReply(c.reply);
    EXPECT_EQ(reply.result, c.result) << c.what;
    EXPECT_EQ(reply.contentHosts, c.hosts) << c.what;
    EXPECT_EQ(reply.remoteMap, c.map) << c.what;
    EXPECT_EQ(reply.error.empty(), c.result != Result::NotJson || c.reply.empty()) << c.what;
  }
}

TEST(DirectoryReplyTest, ContentAndPreDownloadHosts) {
  struct Case {
    const char* what;
    std::string reply;
    bool withPreDownload;
    bool ok;
    Hosts hosts;
    Hosts preDownloadHosts;
    std::string error;
  };
  const Case cases[] = {
      {"hosts and pre-download hosts",
       R"({"DlcAddr":["a","b"],"Others":"{\"PreDlcAddr\":[\"p\"]}"})",
       true,
       true,
       {"a", "b"},
       {"p"},
       ""},
      {"pre-download hosts not asked for",
       R"({"DlcAddr":"a","Others":"{\"PreDlcAddr\":\"p\"}"})",
       false,
       true,
       {"a"},
       {"kept"},
       ""},
      {"Others not JSON", R"({"DlcAddr":"a","Others":"{"})", true, true, {"a"}, {}, ""},
      {"an empty DlcAddr array", R"({"DlcAddr":[]})", true, false, {}, {}, "Get DlcAddr failed"},
      {"no DlcAddr", R"({"Others":"{}"})", true, false, {}, {}, "Get DlcAddr failed"},
  };
  for (const Case& c : cases) {
    Hosts hosts = {"old"};
    Hosts pre_download = {"kept"};
    std::string error;
    EXPECT_EQ(ParseDirectoryReply(c.reply, &hosts, &pre_download, &error, c.withPreDownload), c.ok)
        << c.what;
    EXPECT_EQ(hosts, c.hosts) << c.what;
    EXPECT_EQ(pre_download, c.preDownloadHosts) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
  }
  Hosts hosts;
  Hosts pre_download;
  std::string error;
  EXPECT_FALSE(ParseDirectoryReply("[1,", &hosts, &pre_download, &error, true));
  EXPECT_FALSE(error.empty());
}

TEST(DirectoryReplyTest, PreDownloadReply) {
  struct Case {
    const char* what;
    std::string reply;
    bool ok;
    Hosts hosts;
  };
  const Case cases[] = {
      {"a string", R"({"info":"{\"TW_pc_addr\":\"https://p/\"}"})", true, {"https://p/"}},
      {"the first of an array",
       R"({"info":["{\"TW_pc_addr\":[\"x\",\"y\"]}","{\"TW_pc_addr\":\"z\"}"]})",
       true,
       {"x", "y"}},
      {"info not JSON", R"({"info":"nope"})", false, {}},
      {"no info", R"({"TW_pc_addr":"x"})", false, {}},
      {"no hosts", R"({"info":"{\"other\":1}"})", false, {}},
      {"not JSON", "", false, {}},
  };
  for (const Case& c : cases) {
    Hosts hosts = {"old"};
    std::string error;
    EXPECT_EQ(ParsePreDownloadReply(c.reply, &hosts, &error), c.ok) << c.what;
    EXPECT_EQ(hosts, c.hosts) << c.what;
  }
}

}  // namespace
