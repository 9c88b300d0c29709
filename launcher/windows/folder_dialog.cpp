#include "launcher/windows/folder_dialog.h"

#include <objbase.h>

#include <memory>
#include <utility>

#include "base/thread_registry.h"

namespace {

// The shell's newer folder browser needs a single-threaded apartment on the
// thread that shows it.
class ScopedComApartment {
 public:
  ScopedComApartment()
      : initialized_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~ScopedComApartment() {
    if (initialized_) CoUninitialize();
  }
  ScopedComApartment(const ScopedComApartment&) = delete;
  ScopedComApartment& operator=(const ScopedComApartment&) = delete;

 private:
  bool initialized_;
};

struct ItemListFree {
  void operator()(ITEMIDLIST* items) const { CoTaskMemFree(items); }
};
using ScopedItemList = std::unique_ptr<ITEMIDLIST, ItemListFree>;

// The file-system path of a picked item; "" when it has none. Long enough for
// paths beyond MAX_PATH.
std::wstring PathOfItem(const ITEMIDLIST* items) {
  std::wstring buffer(32768, L'\0');
  if (!SHGetPathFromIDListEx(items, &buffer[0], static_cast<DWORD>(buffer.size()),
                             GPFIDL_DEFAULT)) {
    return std::wstring();
  }
  buffer.resize(wcslen(buffer.c_str()));
  return buffer;
}

}  // namespace

FolderDialog::FolderDialog(HWND owner, std::wstring title, ResultCallback callback)
    : title_(std::move(title)), callback_(std::move(callback)) {
  browse_info_.hwndOwner = owner;
  browse_info_.pidlRoot = nullptr;
  browse_info_.pszDisplayName = nullptr;
  browse_info_.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_NEWDIALOGSTYLE;
  browse_info_.lpfn = nullptr;
  browse_info_.lParam = 0;
  browse_info_.iImage = 0;
}

void FolderDialog::Run() {
  ScopedComApartment apartment;
  browse_info_.lpszTitle = title_.c_str();
  // Blocks this runner thread until the player answers, or until the thread
  // is sent WM_QUIT at exit (which counts as cancelling).
  ScopedItemList picked(SHBrowseForFolderW(&browse_info_));
  path_ = picked ? PathOfItem(picked.get()) : std::wstring();

  const int result = path_.empty() ? 0 : 1;
  if (!callback_) return;
  ResultCallback callback = callback_;
  std::wstring folder = path_;
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId,
                                  [callback, result, folder] { callback(result, folder); });
}
