#include "browser/cef_closure_task.h"

#include <utility>

#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_comp {

CefClosureTask::CefClosureTask(qbase::Closure closure) : closure_(std::move(closure)) {
  task_.get()->execute = [](cef_task_t* self) {
    CefClosureTask* task = CefInterface<cef_task_t>::OwnerOf<CefClosureTask>(self);
    if (task->closure_) task->closure_();
  };
}

bool CefClosureTask::Post(cef_thread_id_t thread, qbase::Closure closure) {
  CefClosureTask* task = new CefClosureTask(std::move(closure));
  CefRefPtr<cef_task_t> hold(task->task_.get());
  return cef_post_task(thread, hold.get()) != 0;
}

}  // namespace qoz_comp
