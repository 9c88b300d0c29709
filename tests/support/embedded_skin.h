#pragma once

namespace test_support {

// The skin package the build embeds in a test program
// (launcher_embed_skin_package), opened from memory the way the launcher opens
// it and held as ui::GlobalManager::resourceZip while the object lives.
class ScopedEmbeddedSkin {
 public:
  ScopedEmbeddedSkin();
  ~ScopedEmbeddedSkin();
  ScopedEmbeddedSkin(const ScopedEmbeddedSkin&) = delete;
  ScopedEmbeddedSkin& operator=(const ScopedEmbeddedSkin&) = delete;

  // False when the program carries no package or it does not open.
  bool IsOpen() const;
};

}  // namespace test_support
