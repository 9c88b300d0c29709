#pragma once

#include <memory>

#include "launcher/core/state.h"

// Makes the states that the context starts on its own: the first state of a
// pass and the pre-download. The states live above the core, so the
// composition root gives the context a factory.
class StateFactory {
 public:
  virtual ~StateFactory() = default;

  // The first state of a launcher or game pass.
  virtual std::unique_ptr<State> CreatePrepareState(UpdateMode mode) = 0;
  virtual std::unique_ptr<State> CreatePreDownloadState() = 0;
};
