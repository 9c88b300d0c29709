#include "base/weak_callback.h"

namespace qbase {

std::weak_ptr<WeakFlag> SupportWeakCallback::GetWeakFlag() {
  if (weak_flag_.use_count() == 0) {
    // Holds no object: the control block alone is the token.
    weak_flag_ = std::shared_ptr<WeakFlag>(static_cast<WeakFlag*>(nullptr), [](WeakFlag*) {});
  }
  return weak_flag_;
}

}  // namespace qbase
