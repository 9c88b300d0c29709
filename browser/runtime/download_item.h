#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"

namespace qoz_runtime {

// One download of a page: the item the client reads (from any thread), the
// callback that chooses where it is saved and the one that cancels it. The
// host browser saves it under its own name in the runtime's download folder;
// once complete it is moved where the client chose.
class DownloadItem : public CefRefCounted {
 public:
  DownloadItem(uint32_t id, std::string guid, std::wstring url, std::wstring suggested_name);

  cef_download_item_t* item() { return item_.get(); }
  cef_before_download_callback_t* before_callback() { return before_callback_.get(); }
  cef_download_item_callback_t* item_callback() { return item_callback_.get(); }
  static DownloadItem* From(cef_download_item_t* item);

  const std::string& guid() const { return guid_; }
  // Empty while the client chose no place.
  std::wstring full_path();
  bool cancel_requested() const { return cancel_requested_; }
  // UI thread: what the host browser reported.
  void Update(int64_t received, int64_t total);
  void Finish(bool complete);

 private:
  ~DownloadItem() override = default;

  CefInterface<cef_download_item_t> item_{this};
  CefInterface<cef_before_download_callback_t> before_callback_{this};
  CefInterface<cef_download_item_callback_t> item_callback_{this};

  const uint32_t id_;
  const std::string guid_;
  const std::wstring url_;
  const std::wstring suggested_name_;
  std::atomic<bool> cancel_requested_{false};

  std::mutex lock_;
  std::wstring full_path_;
  int64_t received_ = 0;
  int64_t total_ = -1;
  bool in_progress_ = true;
  bool complete_ = false;
  bool canceled_ = false;
};

}  // namespace qoz_runtime
