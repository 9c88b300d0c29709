#include "launcher/windows/balloon_request.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A record as a sender lays it out; texts longer than their field are cut
// without a terminating zero.
std::vector<unsigned char> MakeRecord(const std::wstring& title, const std::wstring& text,
                                      const std::wstring& sound, uint64_t window) {
  std::vector<unsigned char> record(BalloonRequest::kRecordBytes, 0);
  const auto put = [&record](size_t offset, size_t bytes, const std::wstring& value) {
    std::memcpy(record.data() + offset, value.data(),
                std::min(bytes, value.size() * sizeof(wchar_t)));
  };
  put(BalloonRequest::kTitleOffset, BalloonRequest::kTitleBytes, title);
  put(BalloonRequest::kTextOffset, BalloonRequest::kTextBytes, text);
  put(BalloonRequest::kSoundOffset, BalloonRequest::kSoundBytes, sound);
  std::memcpy(record.data() + BalloonRequest::kFlashWindowOffset, &window, sizeof(window));
  return record;
}

COPYDATASTRUCT CopyData(std::vector<unsigned char>& record, ULONG_PTR kind = 0) {
  COPYDATASTRUCT data = {};
  data.dwData = kind;
  data.cbData = static_cast<DWORD>(record.size());
  data.lpData = record.data();
  return data;
}

TEST(BalloonRequestTest, ReadsEveryFieldUpToItsLongestText) {
  const std::wstring title(63, L'T');
  const std::wstring text(255, L'x');
  const std::wstring sound = L"C:\\sounds\\" + std::wstring(1013, L's');
  std::vector<unsigned char> record = MakeRecord(title, text, sound, 0x1234);
  const COPYDATASTRUCT data = CopyData(record);
  const auto request = ParseBalloonRequest(&data);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->title, title);
  EXPECT_EQ(request->text, text);
  EXPECT_EQ(request->sound, sound);
  EXPECT_EQ(request->flashWindow, reinterpret_cast<HWND>(0x1234));
}

TEST(BalloonRequestTest, AcceptsAnUnalignedRecordAndEmptyTexts) {
  // One byte in: every UTF-16 unit sits on an odd address.
  std::vector<unsigned char> record = MakeRecord(L"", L"Ready", L"", 0);
  std::vector<unsigned char> shifted(record.size() + 1, 0);
  std::memcpy(shifted.data() + 1, record.data(), record.size());
  COPYDATASTRUCT data = {};
  data.cbData = static_cast<DWORD>(record.size());
  data.lpData = shifted.data() + 1;
  const auto request = ParseBalloonRequest(&data);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->title, L"");
  EXPECT_EQ(request->text, L"Ready");
  EXPECT_EQ(request->sound, L"");
  EXPECT_EQ(request->flashWindow, nullptr);
}

// Every broken form is refused whole, and none is read past its bytes: the
// record sits at the end of a page whose successor is not readable.
TEST(BalloonRequestTest, RefusesWhatBreaksTheRecord) {
  SYSTEM_INFO system = {};
  GetSystemInfo(&system);
  const size_t page = system.dwPageSize;
  const size_t pages = (BalloonRequest::kRecordBytes + page - 1) / page + 1;
  auto* region = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(region, nullptr);
  DWORD old_protection = 0;
  ASSERT_TRUE(VirtualProtect(region + (pages - 1) * page, page, PAGE_NOACCESS, &old_protection));
  unsigned char* guard = region + (pages - 1) * page;

  const struct {
    const char* name;
    std::vector<unsigned char> record;
    size_t bytes;  // what cbData claims
    ULONG_PTR kind;
  } cases[] = {
      {"other dwData", MakeRecord(L"t", L"x", L"", 0), BalloonRequest::kRecordBytes, 1},
      {"short record", MakeRecord(L"t", L"x", L"", 0), BalloonRequest::kRecordBytes - 8, 0},
      {"empty record", {}, 0, 0},
      {"unterminated title", MakeRecord(std::wstring(64, L'T'), L"x", L"", 0),
       BalloonRequest::kRecordBytes, 0},
      {"unterminated text", MakeRecord(L"t", std::wstring(256, L'x'), L"", 0),
       BalloonRequest::kRecordBytes, 0},
      {"unterminated sound", MakeRecord(L"t", L"x", std::wstring(1024, L's'), 0),
       BalloonRequest::kRecordBytes, 0},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    // The claimed bytes end where the readable memory ends.
    unsigned char* start = guard - item.bytes;
    std::memcpy(start, item.record.data(), std::min(item.bytes, item.record.size()));
    COPYDATASTRUCT data = {};
    data.dwData = item.kind;
    data.cbData = static_cast<DWORD>(item.bytes);
    data.lpData = start;
    EXPECT_FALSE(ParseBalloonRequest(&data).has_value());
  }

  COPYDATASTRUCT no_pointer = {};
  no_pointer.cbData = BalloonRequest::kRecordBytes;
  EXPECT_FALSE(ParseBalloonRequest(&no_pointer).has_value());
  EXPECT_FALSE(ParseBalloonRequest(nullptr).has_value());
  VirtualFree(region, 0, MEM_RELEASE);
}

}  // namespace
