#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// One step of a patch: add `add` bytes (diff byte plus old byte), copy `copy`
// bytes from the extra block, then move the old position by add + `seek`.
struct ControlTriple {
  int64_t add = 0;
  int64_t copy = 0;
  int64_t seek = 0;
};

// A cursor over one block of a patch payload. The block lengths of the header
// only say where each block begins: a cursor reads on to the end of the
// payload, not to the end of its block.
class PatchBlockReader {
 public:
  // Starts at `start`, which may lie at the payload's end (nothing to read).
  PatchBlockReader(std::string_view payload, size_t start);

  // The next patch number; empty, without moving, when fewer than 8 bytes are
  // left.
  std::optional<int64_t> ReadNumber();
  // The next three numbers; empty when the payload runs out before all three.
  std::optional<ControlTriple> ReadControlTriple();
  // The next `count` bytes, or fewer when the payload ends first.
  std::string_view Take(size_t count);

  size_t position() const { return position_; }

 private:
  std::string_view payload_;
  size_t position_;
};
