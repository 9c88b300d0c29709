#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/core/launcher_context.h"
#include "tests/launcher/update/fake_update_world.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

// Version maps compare entry by entry in the tests.
inline bool operator==(const FileEntry& first, const FileEntry& second) {
  return first.md5 == second.md5 && first.size == second.size;
}

namespace update_test {

// One file of a version map text: name, MD5 and size.
struct MapFile {
  std::string name;
  std::string md5;
  int64_t size;
};
// A version map in the flat form, with its version as the "version" entry
// when one is given.
std::string FlatMapText(const std::string& version, const std::vector<MapFile>& files);

// A state test: a scratch folder as the launcher's folder (the current
// directory), its "game" folder as the game folder, a fresh context and a fake
// world. States are entered through the context, so that their requests'
// answers reach them as in the launcher.
class UpdateStateTest : public testing::Test {
 protected:
  UpdateStateTest();
  ~UpdateStateTest() override;

  // Makes `state` current and enters it.
  void Enter(std::unique_ptr<State> state);
  State* current() const { return context->currentState.get(); }
  // One tick of the current state.
  void Tick();

  void WriteLauncherFile(const std::wstring& relative, const std::string& bytes);
  void WriteGameFile(const std::wstring& relative, const std::string& bytes);
  std::wstring LauncherFile(const std::wstring& relative) const;
  std::wstring GameFile(const std::wstring& relative) const;
  VersionMap& Map(const char* key) { return context->versionMaps[key]; }
  // The main window's messages of one kind, in order.
  std::vector<FakeUpdateWorld::Message> MainMessages(UINT message) const;

  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder{scratch.path()};
  LauncherContext* context = LauncherContext::GetInstance();
  FakeUpdateWorld world;
};

}  // namespace update_test
