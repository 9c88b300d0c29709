#include "launcher/download/host_requester.h"

#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(HostRequesterTest, EachHostGetsItsTriesThenTheNextOneIsTaken) {
  struct Case {
    size_t hosts;
    HostCursor start;
    int failures;
    HostCursor end;
    bool hostLeft;
  } cases[] = {
      {2, {0, 0}, 1, {1, 0}, true},
      {2, {0, 0}, 3, {0, 1}, true},
      {2, {0, 0}, 5, {2, 1}, true},
      {2, {0, 0}, 6, {0, 2}, false},
      // A whole file queued again after a wrong MD5 goes on from where the
      // range that completed it stood.
      {3, {2, 1}, 1, {0, 2}, true},
      {3, {1, 2}, 2, {0, 3}, false},
      {0, {0, 0}, 1, {1, 0}, false},
  };
  std::atomic<bool> enabled{true};
  HostRequester requester(enabled);
  for (const Case& c : cases) {
    requester.SetHosts(std::vector<std::string>(c.hosts, "https://host/"));
    HostCursor cursor = c.start;
    bool left = true;
    for (int i = 0; i < c.failures; ++i) left = requester.CountFailure(&cursor);
    EXPECT_EQ(cursor.tries, c.end.tries) << c.hosts << " hosts, " << c.failures << " failures";
    EXPECT_EQ(cursor.hostIndex, c.end.hostIndex) << c.hosts << " hosts, " << c.failures;
    EXPECT_EQ(left, c.hostLeft) << c.hosts << " hosts, " << c.failures << " failures";
    EXPECT_EQ(requester.HasHost(cursor), c.hostLeft);
  }
}

TEST(HostRequesterTest, AHostThatDeliversKeepsItsTries) {
  std::atomic<bool> enabled{true};
  HostRequester requester(enabled);
  requester.SetHosts({"https://a/", "https://b/"});
  HostCursor cursor;
  // Every attempt brought bytes before it broke: the first host stays.
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(requester.CountFailure(&cursor));
    HostRequester::CountProgress(&cursor);
  }
  EXPECT_EQ(cursor.hostIndex, 0);
  EXPECT_EQ(requester.HostUrl(cursor, "f.bin"), "https://a/f.bin");
}

TEST(HostRequesterTest, AttemptsWalkTheHostsUntilOneIsFinal) {
  struct Case {
    const char* name;
    int finalAttempt;  // 1-based; 0: every attempt fails
    int disableAfter;  // 1-based; 0: stays enabled
    std::vector<std::string> urls;
  } cases[] = {
      {"every attempt fails",
       0,
       0,
       {"https://a/doc", "https://a/doc", "https://a/doc", "https://b/doc", "https://b/doc",
        "https://b/doc"}},
      {"the second host answers",
       4,
       0,
       {"https://a/doc", "https://a/doc", "https://a/doc", "https://b/doc"}},
      {"the first attempt answers", 1, 0, {"https://a/doc"}},
      {"shut down during the attempts", 0, 2, {"https://a/doc", "https://a/doc"}},
  };
  for (const Case& c : cases) {
    std::atomic<bool> enabled{true};
    HostRequester requester(enabled);
    requester.SetHosts({"https://a/", "https://b"});
    std::vector<std::string> urls;
    requester.ForEachAttempt("doc", [&](const std::string& url) {
      urls.push_back(url);
      const int attempt = static_cast<int>(urls.size());
      if (attempt == c.disableAfter) enabled = false;
      return attempt == c.finalAttempt;
    });
    EXPECT_EQ(urls, c.urls) << c.name;
  }
}

TEST(HostRequesterTest, NoHostsOrDisabledMeansNoAttempt) {
  std::atomic<bool> enabled{true};
  HostRequester requester(enabled);
  int attempts = 0;
  const auto count = [&](const std::string&) {
    ++attempts;
    return false;
  };
  requester.ForEachAttempt("doc", count);
  EXPECT_EQ(attempts, 0);
  requester.SetHosts({"https://a/"});
  enabled = false;
  requester.ForEachAttempt("doc", count);
  EXPECT_EQ(attempts, 0);
}

}  // namespace
