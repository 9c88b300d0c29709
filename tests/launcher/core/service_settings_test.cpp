#include "launcher/core/service_settings.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct ParseCase {
  const char* name;
  const char* text;
  bool ok;
  void (*expect)(ServiceSettings*);  // turns the empty record into the expected one
};

void ExpectSame(const ServiceSettings& a, const ServiceSettings& b, const char* name) {
  EXPECT_EQ(a.GateKey, b.GateKey) << name;
  EXPECT_EQ(a.GateURLs, b.GateURLs) << name;
  EXPECT_EQ(a.QaGate, b.QaGate) << name;
  EXPECT_EQ(a.DisableAutoEnterGame, b.DisableAutoEnterGame) << name;
  EXPECT_EQ(a.DlcURLs, b.DlcURLs) << name;
  EXPECT_EQ(a.ActivityURL, b.ActivityURL) << name;
  EXPECT_EQ(a.RefreshInterval, b.RefreshInterval) << name;
  EXPECT_EQ(a.UpdateInterval, b.UpdateInterval) << name;
  EXPECT_EQ(a.TrackURL, b.TrackURL) << name;
}

TEST(ServiceSettingsTest, ParseFollowsTheLibrarysConversions) {
  const ParseCase cases[] = {
      {"every key",
       R"({"GateKey": "k", "GateURLs": ["https://a/", "https://b/"], "QaGate": true,
           "DlcURLs": "https://c/", "ActivityURL": "https://n/", "RefreshInterval": 5,
           "UpdateInterval": 7, "TrackURL": "https://t/", "DisableAutoEnterGame": true,
           "Other": 1})",
       true,
       [](ServiceSettings* s) {
         s->GateKey = "k";
         s->GateURLs = {"https://a/", "https://b/"};
         s->QaGate = true;
         s->DlcURLs = {"https://c/"};
         s->ActivityURL = "https://n/";
         s->RefreshInterval = 5;
         s->UpdateInterval = 7;
         s->TrackURL = "https://t/";
         s->DisableAutoEnterGame = true;
       }},
      {"one host", R"({"GateURLs": "host-a"})", true,
       [](ServiceSettings* s) { s->GateURLs = {"host-a"}; }},
      {"no hosts", R"({"GateURLs": []})", true, [](ServiceSettings*) {}},
      {"null host element", R"({"DlcURLs": ["a", null]})", true,
       [](ServiceSettings* s) {
         s->DlcURLs = {"a", ""};
       }},
      {"nested host element skips the list", R"({"DlcURLs": ["a", ["b"]]})", true,
       [](ServiceSettings*) {}},
      {"number is a flag", R"({"QaGate": 1})", true, [](ServiceSettings* s) { s->QaGate = true; }},
      {"zero is false", R"({"QaGate": 0})", true, [](ServiceSettings*) {}},
      {"null is absent", R"({"QaGate": null, "GateKey": null})", true, [](ServiceSettings*) {}},
      {"text is no flag", R"({"QaGate": "true"})", true, [](ServiceSettings*) {}},
      {"real is truncated", R"({"RefreshInterval": 5.9})", true,
       [](ServiceSettings* s) { s->RefreshInterval = 5; }},
      {"flag is a number", R"({"UpdateInterval": true})", true,
       [](ServiceSettings* s) { s->UpdateInterval = 1; }},
      {"text is no number", R"({"UpdateInterval": "30"})", true, [](ServiceSettings*) {}},
      {"beyond 32 bits", R"({"UpdateInterval": 4294967296})", true, [](ServiceSettings*) {}},
      {"number as text", R"({"GateKey": 12})", true, [](ServiceSettings* s) { s->GateKey = "12"; }},
      {"object is no text", R"({"TrackURL": {"a": 1}, "GateKey": "k"})", true,
       [](ServiceSettings* s) { s->GateKey = "k"; }},
      {"comments and trailing commas", "// local\n{\"GateKey\": \"k\", /* x */}", true,
       [](ServiceSettings* s) { s->GateKey = "k"; }},
      {"not JSON", "{\"GateKey\": ", false, [](ServiceSettings*) {}},
      {"root is an array", "[\"GateKey\"]", false, [](ServiceSettings*) {}},
  };
  for (const ParseCase& test : cases) {
    ServiceSettings parsed;
    ServiceSettings expected;
    test.expect(&expected);
    EXPECT_EQ(ParseServiceSettings(test.text, &parsed), test.ok) << test.name;
    ExpectSame(parsed, expected, test.name);
  }
}

TEST(ServiceSettingsTest, HostListsAreAppendedTo) {
  ServiceSettings settings;
  settings.GateURLs = {"built-in"};
  ASSERT_TRUE(ParseServiceSettings(R"({"GateURLs": ["a"]})", &settings));
  EXPECT_EQ(settings.GateURLs, (std::vector<std::string>{"built-in", "a"}));
}

}  // namespace
