#pragma once

#include "base/closure.h"
#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"

namespace qoz_comp {

// A runtime task that runs a closure once.
class CefClosureTask : public CefRefCounted {
 public:
  // Posts `closure` to a runtime thread; false, dropping it, when the runtime
  // does not take it.
  static bool Post(cef_thread_id_t thread, qbase::Closure closure);

 private:
  explicit CefClosureTask(qbase::Closure closure);

  CefInterface<cef_task_t> task_{this};
  qbase::Closure closure_;
};

}  // namespace qoz_comp
