#include "browser/runtime/download_item.h"

#include <utility>

#include "browser/runtime/lent_string.h"
#include "browser/runtime/text_convert.h"

namespace qoz_runtime {

namespace {

template <typename Struct>
DownloadItem* Of(Struct* self) {
  return CefInterface<Struct>::template OwnerOf<DownloadItem>(self);
}

}  // namespace

DownloadItem::DownloadItem(uint32_t id, std::string guid, std::wstring url,
                           std::wstring suggested_name)
    : id_(id),
      guid_(std::move(guid)),
      url_(std::move(url)),
      suggested_name_(std::move(suggested_name)) {
  cef_download_item_t* item = item_.get();
  item->is_valid = [](cef_download_item_t*) { return 1; };
  item->is_in_progress = [](cef_download_item_t* self) {
    DownloadItem* download = Of(self);
    std::lock_guard<std::mutex> hold(download->lock_);
    return download->in_progress_ ? 1 : 0;
  };
  item->is_complete = [](cef_download_item_t* self) {
    DownloadItem* download = Of(self);
    std::lock_guard<std::mutex> hold(download->lock_);
    return download->complete_ ? 1 : 0;
  };
  item->is_canceled = [](cef_download_item_t* self) {
    DownloadItem* download = Of(self);
    std::lock_guard<std::mutex> hold(download->lock_);
    return download->canceled_ ? 1 : 0;
  };
  item->get_received_bytes = [](cef_download_item_t* self) {
    DownloadItem* download = Of(self);
    std::lock_guard<std::mutex> hold(download->lock_);
    return download->received_;
  };
  item->get_total_bytes = [](cef_download_item_t* self) {
    DownloadItem* download = Of(self);
    std::lock_guard<std::mutex> hold(download->lock_);
    return download->total_;
  };
  item->get_id = [](cef_download_item_t* self) { return Of(self)->id_; };
  item->get_full_path = [](cef_download_item_t* self) {
    return UserFreeCopy(Of(self)->full_path());
  };
  item->get_url = [](cef_download_item_t* self) { return UserFreeCopy(Of(self)->url_); };
  item->get_suggested_file_name = [](cef_download_item_t* self) {
    return UserFreeCopy(Of(self)->suggested_name_);
  };
  before_callback_.get()->cont = [](cef_before_download_callback_t* self,
                                    const cef_string_t* download_path, int) {
    DownloadItem* download = Of(self);
    const std::wstring path = FromCef(download_path);
    std::lock_guard<std::mutex> hold(download->lock_);
    download->full_path_ = path;
  };
  item_callback_.get()->cancel = [](cef_download_item_callback_t* self) {
    Of(self)->cancel_requested_ = true;
  };
}

DownloadItem* DownloadItem::From(cef_download_item_t* item) { return Of(item); }

std::wstring DownloadItem::full_path() {
  std::lock_guard<std::mutex> hold(lock_);
  return full_path_;
}

void DownloadItem::Update(int64_t received, int64_t total) {
  std::lock_guard<std::mutex> hold(lock_);
  received_ = received;
  total_ = total;
}

void DownloadItem::Finish(bool complete) {
  std::lock_guard<std::mutex> hold(lock_);
  in_progress_ = false;
  complete_ = complete;
  canceled_ = !complete;
}

}  // namespace qoz_runtime
