#include "launcher/download/report_sender.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/download/file_handle.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

namespace {

using download_test::FaultRequests;
using download_test::GetServers;

class ReportSenderTest : public testing::Test {
 protected:
  ReportSenderTest() : folder(scratch.path()) {
    download_test::ResetFaultHost();
    sender.Init(GetServers().faultUrl + "/~t/track/json_track?token=abc",
                GetServers().faultUrl + "/~u/v1/adjust");
  }
  std::string TraceText() const {
    return test_support::ReadFileBytes(scratch.Child(L"save\\dltrace.log"));
  }

  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder;
  ReportSender sender;
};

TEST_F(ReportSenderTest, QueuedReportsGoOutOnePerCallInOrder) {
  const std::string second_url = GetServers().faultUrl + "/~z/track";
  sender.Submit("{\"n\":\"z1\"}", second_url, false);
  sender.Submit("{\"n\":\"1\"}", sender.track_url(), false);
  sender.Submit("{\"n\":\"2\"}", sender.track_url(), false);
  sender.Submit("{\"n\":\"3\"}", sender.track_url(), false);
  EXPECT_TRUE(download_test::FaultLog().empty());

  std::vector<std::string> bodies;
  for (int call = 0; call < 4; ++call) {
    sender.SendQueued();
    const Json::Value log = download_test::FaultLog();
    ASSERT_EQ(log.size(), static_cast<Json::ArrayIndex>(call + 1));
    const Json::Value& last = log[log.size() - 1];
    EXPECT_EQ(last["method"].asString(), "POST");
    EXPECT_EQ(last["headers"]["content-type"].asString(), "application/json; charset=UTF-8");
    bodies.push_back(last["body"].asString());
  }
  // Oldest first; the tracking URL sorts before the other one.
  EXPECT_EQ(bodies[0], "{\"n\":\"1\"}");
  EXPECT_EQ(bodies[1], "{\"n\":\"2\"}");
  EXPECT_EQ(bodies[2], "{\"n\":\"3\"}");
  EXPECT_EQ(bodies[3], "{\"n\":\"z1\"}");
  // Nothing is left for a fifth call.
  sender.SendQueued();
  EXPECT_EQ(download_test::FaultLog().size(), 4u);
  EXPECT_EQ(FaultRequests("/~t/track/json_track")[0]["query"].asString(), "token=abc");

  // Dropped at shut-down: nothing goes out any more.
  sender.Submit("{\"n\":\"4\"}", sender.track_url(), false);
  sender.DropQueued();
  sender.SendQueued();
  EXPECT_EQ(download_test::FaultLog().size(), 4u);
}

TEST_F(ReportSenderTest, AttributionEventsAreGetsWithTheirQuery) {
  sender.Submit("activity_kind=pc_starter&event=click launch", sender.attribution_url(), true);
  const std::vector<Json::Value> requests = FaultRequests("/~u/v1/adjust");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["method"].asString(), "GET");
  EXPECT_EQ(requests[0]["query"].asString(), "activity_kind=pc_starter&event=click%20launch");
  EXPECT_EQ(requests[0]["headers"]["content-type"].asString(), "application/json; charset=UTF-8");
}

TEST_F(ReportSenderTest, AFailingReportIsDroppedQuietly) {
  sender.Submit("{}", GetServers().deadUrl + "/track", false);
  sender.SendQueued();
  sender.SendQueued();
  EXPECT_TRUE(download_test::FaultLog().empty());
}

TEST_F(ReportSenderTest, TheTraceStartsEmptyEveryRunAndDropsWhatItCannotWrite) {
  EXPECT_EQ(TraceText(), "");
  sender.AppendTrace("line\n");
  EXPECT_EQ(TraceText(), "line\n");
  {
    // Held by someone who shares nothing: the line is lost, nothing else.
    FileHandle held(CreateFileA(sender.trace_path().c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.IsValid()) << GetLastError();
    sender.AppendTrace("lost\n");
  }
  sender.AppendTrace("next\n");
  EXPECT_EQ(TraceText(), "line\nnext\n");
  sender.Init("", "");
  EXPECT_EQ(TraceText(), "");
}

TEST_F(ReportSenderTest, EmptyOverridesKeepTheBuiltInEndpoints) {
  sender.Init("", "");
  EXPECT_EQ(sender.track_url().rfind("https://", 0), 0u);
  EXPECT_EQ(sender.track_url().find("/track/json_track?token=7d41c09e3ab52f68e0d9b174"),
            sender.track_url().size() - 48);
  EXPECT_EQ(sender.attribution_url().rfind("https://", 0), 0u);
  EXPECT_EQ(sender.attribution_url().find("/v1/adjust"), sender.attribution_url().size() - 10);
}

}  // namespace
