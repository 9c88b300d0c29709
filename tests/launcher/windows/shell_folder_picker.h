#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "tests/support/wait_for.h"

namespace test_support {

// The visible shell folder browser owned by `owner`, with `title` among its
// texts when one is given; null while there is none.
inline HWND FindFolderPicker(HWND owner, const std::wstring& title = std::wstring()) {
  struct Search {
    HWND owner;
    const std::wstring* title;
    HWND found;
  } search{owner, &title, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* search = reinterpret_cast<Search*>(param);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) != L"#32770" || GetWindow(window, GW_OWNER) != search->owner ||
            !IsWindowVisible(window)) {
          return TRUE;
        }
        struct TitleSearch {
          const std::wstring* title;
          bool found;
        } title_search{search->title, search->title->empty()};
        EnumChildWindows(
            window,
            [](HWND child, LPARAM param) -> BOOL {
              auto* title_search = reinterpret_cast<TitleSearch*>(param);
              wchar_t text[256] = {};
              GetWindowTextW(child, text, 256);
              if (*title_search->title == text) title_search->found = true;
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&title_search));
        if (!title_search.found) return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of the picker's selected folder, "" when none is selected.
inline std::wstring PickerSelectionText(HWND picker) {
  HWND tree = FindWindowExW(picker, nullptr, WC_TREEVIEWW, nullptr);
  if (tree == nullptr) return std::wstring();
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (item == nullptr) return std::wstring();
  wchar_t text[MAX_PATH] = {};
  TVITEMW data = {};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  return text;
}

// Selects `folder` in the picker as the player would see it selected. The
// browser fills its tree after it shows and may select its start folder
// then, so the selection is made again until it holds.
inline bool SelectInPicker(HWND picker, const std::wstring& folder) {
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(folder.c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME)) return false;
  const std::wstring expected = info.szDisplayName;
  return WaitFor([&] {
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    Sleep(300);
    if (PickerSelectionText(picker) != expected) return false;
    Sleep(300);
    return PickerSelectionText(picker) == expected;
  });
}

}  // namespace test_support
