#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"

namespace qoz_runtime {

// A request the page session holds (a Fetch pause), as the client sees it:
// the request and the callback that answers it later.
class PausedRequest : public CefRefCounted {
 public:
  // `answer` hears the first answer, allow or not, on any thread.
  PausedRequest(std::wstring url, std::wstring method, std::function<void(bool allow)> answer);

  cef_request_t* request() { return request_.get(); }
  cef_request_callback_t* callback() { return callback_.get(); }
  void Answer(bool allow);

 private:
  // A request nobody answered is refused: it must not wait forever.
  ~PausedRequest() override;

  CefInterface<cef_request_t> request_{this};
  CefInterface<cef_request_callback_t> callback_{this};
  const std::wstring url_;
  const std::wstring method_;
  const std::function<void(bool allow)> answer_;
  std::atomic<bool> answered_{false};
};

}  // namespace qoz_runtime
