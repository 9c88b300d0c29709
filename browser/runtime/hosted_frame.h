#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_runtime {

// A sub-frame of a browser's page, known to the page session by its
// protocol frame id. It outlives its place in the page for those who hold
// it: once detached it keeps its identifier and last address and does
// nothing more.
class HostedFrame : public CefRefCounted {
 public:
  HostedFrame(int64_t identifier, const std::string& frame_id, cef_browser_t* browser);

  cef_frame_t* frame() { return frame_.get(); }
  int64_t identifier() const { return identifier_; }
  const std::string& frame_id() const { return frame_id_; }
  cef_browser_t* browser() const { return browser_.get(); }

  // Any thread.
  void SetUrl(const std::wstring& url);
  bool detached() const { return detached_; }
  void Detach() { detached_ = true; }

  // UI thread: the id of the execution context of the frame's current
  // document in the page session, 0 while it has none.
  int context_id() const { return context_id_; }
  void set_context_id(int context_id) { context_id_ = context_id; }

  static HostedFrame* From(cef_frame_t* self);

 private:
  ~HostedFrame() override = default;

  CefInterface<cef_frame_t> frame_{this};
  const int64_t identifier_;
  const std::string frame_id_;
  const CefRefPtr<cef_browser_t> browser_;
  std::atomic<bool> detached_{false};
  std::mutex lock_;
  std::wstring url_;
  int context_id_ = 0;
};

}  // namespace qoz_runtime
