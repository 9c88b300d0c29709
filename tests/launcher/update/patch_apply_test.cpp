#include "launcher/update/patch_apply.h"

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/patch_writer.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::EncodeControlBlock;
using test_support::FileExists;
using test_support::MakePatch;
using test_support::MakePatchContainer;
using test_support::MakePatchPayload;
using test_support::PatchStep;
using test_support::ReadFileBytes;
using test_support::WriteFileBytes;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

std::string Payload(const std::vector<PatchStep>& steps, const std::string& diff,
                    const std::string& extra, int64_t new_size) {
  return MakePatchPayload(EncodeControlBlock(steps), diff, extra, new_size);
}

std::string RandomBytes(size_t size, std::mt19937* random) {
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>((*random)() & 0xff);
  return bytes;
}

// An old file, a patch and a new file in a scratch folder.
class PatchFiles {
 public:
  PatchFiles()
      : old_path_(dir_.Child(L"old.bin")),
        new_path_(dir_.Child(L"new.bin")),
        patch_path_(dir_.Child(L"new.bin.patch")) {}

  const std::wstring& old_path() const { return old_path_; }
  const std::wstring& new_path() const { return new_path_; }
  const std::wstring& patch_path() const { return patch_path_; }
  std::wstring partial_path() const { return new_path_ + L".patching.tmp"; }
  const test_support::ScratchDir& dir() const { return dir_; }

  void Write(const std::string& old_bytes, const std::string& container) {
    WriteFileBytes(old_path_, old_bytes);
    WriteFileBytes(patch_path_, container);
  }
  PatchOutcome Streaming(const PatchCancelCheck& cancel = {}) const {
    return ApplyPatchFileW(old_path_, new_path_, patch_path_, cancel);
  }
  PatchOutcome InMemory() const { return ApplyPatchInMemoryW(old_path_, new_path_, patch_path_); }

 private:
  test_support::ScratchDir dir_;
  std::wstring old_path_;
  std::wstring new_path_;
  std::wstring patch_path_;
};

TEST(PatchApplyTest, Steps) {
  const std::string old_bytes = Bytes({0x10, 0x20, 0x30, 0x40});
  struct Case {
    const char* name;
    std::string payload;
    std::string expected;
  };
  const Case cases[] = {
      {"copy only", Payload({{0, 3, 0}}, "", "xyz", 3), "xyz"},
      {"add wraps modulo 256", Payload({{4, 0, 0}}, Bytes({0xf0, 0xe0, 0x01, 0x00}), "", 4),
       Bytes({0x00, 0x00, 0x31, 0x40})},
      {"add past the old end", Payload({{0, 0, 2}, {4, 0, 0}}, Bytes({1, 1, 1, 1}), "", 4),
       Bytes({0x31, 0x41, 1, 1})},
      {"negative old position", Payload({{0, 0, -2}, {4, 0, 0}}, Bytes({1, 2, 3, 4}), "", 4),
       Bytes({1, 2, 0x13, 0x24})},
      {"wholly before the old file", Payload({{0, 0, -10}, {3, 0, 0}}, Bytes({5, 6, 7}), "", 3),
       Bytes({5, 6, 7})},
      {"wholly past the old file", Payload({{0, 0, 100}, {2, 0, 0}}, Bytes({8, 9}), "", 2),
       Bytes({8, 9})},
      {"seek back reads again", Payload({{2, 0, -2}, {2, 1, 0}}, std::string(4, '\0'), "!", 5),
       Bytes({0x10, 0x20, 0x10, 0x20, '!'})},
      {"add, copy, then seek", Payload({{1, 2, 1}, {1, 0, 0}}, Bytes({1, 2}), "ab", 4),
       Bytes({0x11, 'a', 'b', 0x32})},
      {"zero steps between",
       Payload({{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {0, 0, 0}, {0, 2, 0}}, std::string(2, '\0'), "ab",
               4),
       Bytes({0x10, 0x20, 'a', 'b'})},
      {"empty new file", Payload({}, "", "", 0), ""},
      {"empty new file reads no control", MakePatchPayload("garbage", "", "", 0), ""},
      {"control after the new size is never read", Payload({{0, 2, 0}, {-5, 0, 0}}, "", "ab", 2),
       "ab"},
      // The header's diff length only says where the extra block begins; the
      // diff cursor reads on, here into the same bytes the extra cursor reads.
      {"diff runs on past its block",
       MakePatchPayload(EncodeControlBlock({{2, 2, 0}}), "", "XY", 24, 0, 4),
       std::string("\x68\x79XY", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string built = "before";
    const PatchOutcome outcome = ApplyPatchPayload(old_bytes, c.payload, &built);
    EXPECT_EQ(outcome.result, PatchResult::Ok);
    EXPECT_EQ(built, c.expected);

    PatchFiles files;
    files.Write(old_bytes, MakePatchContainer(c.payload));
    WriteFileBytes(files.new_path(), "previous");
    EXPECT_EQ(files.Streaming().result, PatchResult::Ok);
    EXPECT_EQ(ReadFileBytes(files.new_path()), c.expected);
    EXPECT_FALSE(FileExists(files.partial_path()));
    WriteFileBytes(files.new_path(), "previous");
    EXPECT_EQ(files.InMemory().result, PatchResult::Ok);
    EXPECT_EQ(ReadFileBytes(files.new_path()), c.expected);
  }
}

TEST(PatchApplyTest, BadPatchesLeaveTheTarget) {
  const std::string old_bytes = "old bytes";
  const std::string control = EncodeControlBlock({{0, 2, 0}});
  struct Case {
    const char* name;
    std::string payload;
    PatchResult result;
    PatchStepResult step;
  };
  const Case cases[] = {
      {"header only in part", "BSDIFN40", PatchResult::BadHeader, PatchStepResult::Ok},
      {"wrong magic", "BSDIFN41" + Payload({}, "", "", 0).substr(8), PatchResult::BadHeader,
       PatchStepResult::Ok},
      {"negative new size", Payload({}, "", "", -1), PatchResult::BadHeader, PatchStepResult::Ok},
      {"control block outside", MakePatchPayload(control, "", "ab", 1000, 0, 2),
       PatchResult::ControlBlockOutside, PatchStepResult::Ok},
      // Read as its low 32 bits this length would fit; as 64 bits it does not.
      {"control length past 4 GiB",
       MakePatchPayload(control, "", "ab", (int64_t{1} << 32) + 24, 0, 2),
       PatchResult::ControlBlockOutside, PatchStepResult::Ok},
      {"diff block outside", MakePatchPayload(control, "", "ab", 24, 3, 2),
       PatchResult::DiffBlockOutside, PatchStepResult::Ok},
      {"control block cut inside a triple", MakePatchPayload(control.substr(0, 16), "", "ab", 2),
       PatchResult::StepFailed, PatchStepResult::ControlBlockEnded},
      {"control block ends before the new size", Payload({{0, 2, 0}}, "", "ab", 5),
       PatchResult::StepFailed, PatchStepResult::ControlBlockEnded},
      {"negative add", Payload({{-1, 0, 0}}, "", "", 1), PatchResult::StepFailed,
       PatchStepResult::InvalidAddStep},
      {"negative copy", Payload({{0, -1, 0}}, "", "", 1), PatchResult::StepFailed,
       PatchStepResult::InvalidAddStep},
      {"add past the new size", Payload({{3, 0, 0}}, "abc", "", 2), PatchResult::StepFailed,
       PatchStepResult::InvalidAddStep},
      {"copy past the new size", Payload({{1, 2, 0}}, "a", "bc", 2), PatchResult::StepFailed,
       PatchStepResult::CopyPastNewSize},
      {"diff runs out", Payload({{4, 0, 0}}, "abc", "", 4), PatchResult::StepFailed,
       PatchStepResult::AddFailed},
      {"extra runs out", Payload({{0, 4, 0}}, "", "abc", 4), PatchResult::StepFailed,
       PatchStepResult::CopyFailed},
      {"seek out of range", Payload({{1, 0, INT64_MAX}, {1, 0, 0}}, "ab", "", 2),
       PatchResult::StepFailed, PatchStepResult::InvalidAddStep},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string built = "before";
    const PatchOutcome outcome = ApplyPatchPayload(old_bytes, c.payload, &built);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.step, c.step);
    EXPECT_EQ(outcome.code(), static_cast<int>(c.step));
    EXPECT_EQ(built, "before");

    PatchFiles files;
    files.Write(old_bytes, MakePatchContainer(c.payload));
    WriteFileBytes(files.new_path(), "previous");
    for (const PatchOutcome& file_outcome : {files.Streaming(), files.InMemory()}) {
      EXPECT_EQ(file_outcome.result, c.result);
      EXPECT_EQ(file_outcome.step, c.step);
      EXPECT_EQ(ReadFileBytes(files.new_path()), "previous");
      EXPECT_FALSE(FileExists(files.partial_path()));
    }
  }
}

TEST(PatchApplyTest, PayloadSizeMustMatchTheStream) {
  const std::string payload = Payload({{0, 3, 0}}, "", "abc", 3);
  const uint32_t size = static_cast<uint32_t>(payload.size());
  for (uint32_t field : {size - 1, size - 20, size + 1, size + 2000}) {
    SCOPED_TRACE(field);
    PatchFiles files;
    files.Write("old", MakePatchContainer(payload, field));
    for (const PatchOutcome& outcome : {files.Streaming(), files.InMemory()}) {
      EXPECT_EQ(outcome.result, PatchResult::PatchUnreadable);
      EXPECT_EQ(outcome.container, PatchContainerResult::PayloadSizeMismatch);
      EXPECT_EQ(outcome.code(), 0);
      EXPECT_FALSE(FileExists(files.new_path()));
    }
  }
}

TEST(PatchApplyTest, Files) {
  const std::string container =
      MakePatchContainer(Payload({{3, 1, 0}}, std::string(3, '\1'), "!", 4));
  {
    PatchFiles files;
    WriteFileBytes(files.old_path(), "abc");
    for (const PatchOutcome& outcome : {files.Streaming(), files.InMemory()}) {
      EXPECT_EQ(outcome.result, PatchResult::PatchUnreadable);
      EXPECT_EQ(outcome.systemError, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
      EXPECT_EQ(outcome.code(), static_cast<int>(ERROR_FILE_NOT_FOUND));
    }
  }
  {
    PatchFiles files;
    WriteFileBytes(files.patch_path(), container);
    EXPECT_EQ(files.Streaming().result, PatchResult::OldFileUnreadable);
    EXPECT_EQ(files.InMemory().result, PatchResult::OldFileUnreadable);
    EXPECT_FALSE(FileExists(files.new_path()));
  }
  {
    PatchFiles files;
    files.Write("abc", container);
    const std::wstring in_missing_folder = files.dir().Child(L"missing\\new.bin");
    EXPECT_EQ(ApplyPatchFileW(files.old_path(), in_missing_folder, files.patch_path()).result,
              PatchResult::NewFileNotCreated);
    EXPECT_EQ(ApplyPatchInMemoryW(files.old_path(), in_missing_folder, files.patch_path()).result,
              PatchResult::NewFileNotCreated);
  }
  {
    // A folder in the target's place cannot be replaced; the output goes.
    PatchFiles files;
    files.Write("abc", container);
    ASSERT_TRUE(CreateDirectoryW(files.new_path().c_str(), nullptr));
    EXPECT_EQ(files.Streaming().result, PatchResult::NewFileNotPlaced);
    EXPECT_FALSE(FileExists(files.partial_path()));
    EXPECT_TRUE(test_support::IsDirectory(files.new_path()));
  }
  {
    // Patched in place: the old file is read whole before it is replaced.
    PatchFiles files;
    files.Write("abc", container);
    EXPECT_EQ(ApplyPatchFileW(files.old_path(), files.old_path(), files.patch_path()).result,
              PatchResult::Ok);
    EXPECT_EQ(ReadFileBytes(files.old_path()), "bcd!");
    WriteFileBytes(files.old_path(), "abc");
    EXPECT_EQ(ApplyPatchInMemoryW(files.old_path(), files.old_path(), files.patch_path()).result,
              PatchResult::Ok);
    EXPECT_EQ(ReadFileBytes(files.old_path()), "bcd!");
  }
  {
    // Narrow paths are in the ANSI code page, UTF-8 for the tests.
    test_support::ScratchDir dir;
    const std::wstring folder = std::wstring(test_support::kCjkFolder) + L"\\a b";
    WriteFileBytes(dir.Child(folder + L"\\old"), "abc");
    WriteFileBytes(dir.Child(folder + L"\\old.patch"), container);
    const std::string narrow_folder = dir.ChildUtf8(folder);
    EXPECT_EQ(ApplyPatchFileA(narrow_folder + "\\old", narrow_folder + "\\new1",
                              narrow_folder + "\\old.patch")
                  .result,
              PatchResult::Ok);
    EXPECT_EQ(ReadFileBytes(dir.Child(folder + L"\\new1")), "bcd!");
    EXPECT_EQ(ApplyPatchInMemoryA(narrow_folder + "\\old", narrow_folder + "\\new2",
                                  narrow_folder + "\\old.patch")
                  .result,
              PatchResult::Ok);
    EXPECT_EQ(ReadFileBytes(dir.Child(folder + L"\\new2")), "bcd!");
  }
}

// One step of 120 MiB moves in three pieces (50, 50 and 20 MiB); the cancel
// check is asked after each full piece and after the step.
TEST(PatchApplyTest, CancelInsideALongStep) {
  constexpr int64_t kStep = int64_t{120} << 20;
  std::mt19937 random(5);
  const std::string old_bytes = RandomBytes(1 << 20, &random);
  std::string diff(kStep, '\0');
  for (size_t i = 0; i < diff.size(); ++i) diff[i] = static_cast<char>(i % 251);
  std::string added = diff;
  for (size_t i = 0; i < old_bytes.size(); ++i) {
    added[i] = static_cast<char>(added[i] + old_bytes[i]);
  }
  const std::string add_patch = MakePatchContainer(Payload({{kStep, 0, 0}}, diff, "", kStep));
  const std::string copy_patch = MakePatchContainer(Payload({{0, kStep, 0}}, "", diff, kStep));

  struct Case {
    const char* name;
    const std::string& patch;
    const std::string& expected;
    int cancelAt;  // the ask that answers true; 0 for none
    PatchStepResult step;
    int asks;
  };
  const Case cases[] = {
      {"add, cancelled after the first piece", add_patch, added, 1, PatchStepResult::AddFailed, 1},
      {"add, cancelled after the second piece", add_patch, added, 2, PatchStepResult::AddFailed, 2},
      {"add, cancelled after the step", add_patch, added, 3, PatchStepResult::Cancelled, 3},
      {"add, not cancelled", add_patch, added, 0, PatchStepResult::Ok, 3},
      {"copy, cancelled after the first piece", copy_patch, diff, 1, PatchStepResult::CopyFailed,
       1},
      {"copy, not cancelled", copy_patch, diff, 0, PatchStepResult::Ok, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PatchFiles files;
    files.Write(old_bytes, c.patch);
    WriteFileBytes(files.new_path(), "previous");
    int asks = 0;
    const PatchOutcome outcome = files.Streaming([&] { return ++asks == c.cancelAt; });
    EXPECT_EQ(outcome.step, c.step);
    EXPECT_EQ(asks, c.asks);
    EXPECT_FALSE(FileExists(files.partial_path()));
    if (c.step == PatchStepResult::Ok) {
      EXPECT_EQ(outcome.result, PatchResult::Ok);
      EXPECT_TRUE(ReadFileBytes(files.new_path()) == c.expected);
    } else {
      EXPECT_EQ(outcome.result, PatchResult::StepFailed);
      EXPECT_EQ(ReadFileBytes(files.new_path()), "previous");
    }
  }
}

// Scattered edits as a new build makes them: changed bytes, inserted,
// deleted, moved and repeated runs.
std::string Edit(const std::string& old_bytes, int edits, std::mt19937* random) {
  std::string edited = old_bytes;
  const auto below = [random](size_t limit) { return limit == 0 ? 0 : (*random)() % limit; };
  for (int k = 0; k < edits; ++k) {
    const size_t at = below(edited.size() + 1);
    const size_t length = 1 + below(4000);
    switch (below(5)) {
      case 0:
        for (size_t i = 0; i < 8 && at + i * 7 < edited.size(); ++i) {
          edited[at + i * 7] = static_cast<char>((*random)() & 0xff);
        }
        break;
      case 1:
        edited.insert(at, RandomBytes(length, random));
        break;
      case 2:
        edited.erase(at, length);
        break;
      case 3: {
        const std::string moved = edited.substr(at, length);
        edited.erase(at, length);
        edited.insert(below(edited.size() + 1), moved);
        break;
      }
      default:
        edited.insert(below(edited.size() + 1), edited.substr(at, length));
        break;
    }
  }
  return edited;
}

std::string TextLines(size_t count, std::mt19937* random) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += "entry " + std::to_string(i) + " value=" + std::to_string((*random)() % 100000) +
            " state=ready\r\n";
  }
  return text;
}

TEST(PatchApplyTest, RoundTripsThroughTheWriter) {
  std::mt19937 random(20240611);
  wchar_t module_path[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(nullptr, module_path, MAX_PATH), 0u);
  // The start of this test program: headers, code and tables.
  const std::string program = ReadFileBytes(module_path).substr(0, 4 << 20);
  const std::string small = RandomBytes(200 << 10, &random);
  const std::string large = RandomBytes(3 << 20, &random);
  const std::string text = TextLines(40000, &random);
  struct Case {
    const char* name;
    std::string oldBytes;
    std::string newBytes;
    bool similar;  // the patch must then be far smaller than the new file
  };
  const Case cases[] = {
      {"small file, a few edits", small, Edit(small, 5, &random), true},
      {"large file, many edits", large, Edit(large, 60, &random), true},
      {"a program, edited", program, Edit(program, 30, &random), true},
      {"text, edited", text, Edit(text, 40, &random), true},
      {"unchanged", small, small, true},
      {"from nothing", "", RandomBytes(10000, &random), false},
      {"to nothing", small, "", false},
      {"nothing in common", RandomBytes(50000, &random), RandomBytes(60000, &random), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string patch = MakePatch(c.oldBytes, c.newBytes);
    if (c.similar) {
      EXPECT_LT(patch.size(), c.newBytes.size() / 4);
    }
    PatchFiles files;
    files.Write(c.oldBytes, patch);
    EXPECT_EQ(files.Streaming().result, PatchResult::Ok);
    EXPECT_TRUE(ReadFileBytes(files.new_path()) == c.newBytes);
    EXPECT_EQ(files.InMemory().result, PatchResult::Ok);
    EXPECT_TRUE(ReadFileBytes(files.new_path()) == c.newBytes);
  }
}

}  // namespace
