#include "browser/runtime/paused_request.h"

#include "browser/runtime/lent_string.h"

#include <utility>

namespace qoz_runtime {

namespace {

PausedRequest* FromRequest(cef_request_t* self) {
  return CefInterface<cef_request_t>::OwnerOf<PausedRequest>(self);
}

PausedRequest* FromCallback(cef_request_callback_t* self) {
  return CefInterface<cef_request_callback_t>::OwnerOf<PausedRequest>(self);
}

}  // namespace

PausedRequest::PausedRequest(std::wstring url, std::wstring method,
                             std::function<void(bool allow)> answer)
    : url_(std::move(url)), method_(std::move(method)), answer_(std::move(answer)) {
  request_.get()->get_url = [](cef_request_t* self) {
    return UserFreeCopy(FromRequest(self)->url_);
  };
  request_.get()->get_method = [](cef_request_t* self) {
    return UserFreeCopy(FromRequest(self)->method_);
  };
  callback_.get()->cont = [](cef_request_callback_t* self, int allow) {
    FromCallback(self)->Answer(allow != 0);
  };
  callback_.get()->cancel = [](cef_request_callback_t* self) { FromCallback(self)->Answer(false); };
}

PausedRequest::~PausedRequest() { Answer(false); }

void PausedRequest::Answer(bool allow) {
  if (answered_.exchange(true)) return;
  answer_(allow);
}

}  // namespace qoz_runtime
