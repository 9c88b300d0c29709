#pragma once

#include <functional>
#include <mutex>

#include "base/scoped_handle.h"
#include "browser/handler_delegate.h"

namespace qoz_comp {

// A handler's delegate as the runtime's threads see it: attached and detached
// on thread 0, called from any thread. A detach waits for the calls already
// running, so none enters a control that is going away.
class DelegateSlot {
 public:
  DelegateSlot();
  DelegateSlot(const DelegateSlot&) = delete;
  DelegateSlot& operator=(const DelegateSlot&) = delete;

  // Thread 0. Null detaches and returns once no call runs, answering the
  // messages other threads send to this one meanwhile.
  void Attach(HandlerDelegate* delegate);
  // Thread 0: the delegate attached now.
  HandlerDelegate* attached();
  // Any thread: runs `call` with the delegate, which stays attached until it
  // returns; false, without a call, when none is attached.
  bool Call(const std::function<void(HandlerDelegate*)>& call);

 private:
  std::mutex lock_;
  HandlerDelegate* delegate_ = nullptr;
  int running_calls_ = 0;
  // Set while no call runs.
  qbase::ScopedHandle idle_;
};

}  // namespace qoz_comp
