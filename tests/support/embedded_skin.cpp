#include "tests/support/embedded_skin.h"

#include <windows.h>

#include <cstdint>

#include "ui/resources/global_manager.h"
#include "ui/resources/zip_archive.h"

namespace test_support {

ScopedEmbeddedSkin::ScopedEmbeddedSkin() {
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(129), L"RESOURCES");
  if (!resource) return;
  HGLOBAL loaded = LoadResource(nullptr, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return;
  ui::GlobalManager::resourceZip = OpenZipArchive(
      bytes, static_cast<int32_t>(SizeofResource(nullptr, resource)), kZipSourceMemory, "");
}

ScopedEmbeddedSkin::~ScopedEmbeddedSkin() { ui::GlobalManager::CloseResourceZip(); }

bool ScopedEmbeddedSkin::IsOpen() const { return ui::GlobalManager::resourceZip != nullptr; }

}  // namespace test_support
