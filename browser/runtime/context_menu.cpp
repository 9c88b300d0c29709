#include "browser/runtime/context_menu.h"

#include <mutex>
#include <utility>
#include <vector>

#include "browser/runtime/menu_model.h"
#include "browser/runtime/this_module.h"

namespace qoz_runtime {

namespace {

constexpr wchar_t kOwnerClassName[] = L"QozCefMenuOwner";

// The window an off-screen browser's menu belongs to: hidden, of this
// thread, for as long as the menu is open.
class OwnerWindow {
 public:
  OwnerWindow() {
    const HINSTANCE module = ThisModule();
    static std::once_flag registered;
    std::call_once(registered, [module] {
      WNDCLASSEXW window_class = {};
      window_class.cbSize = sizeof(window_class);
      window_class.lpfnWndProc = DefWindowProcW;
      window_class.hInstance = module;
      window_class.lpszClassName = kOwnerClassName;
      RegisterClassExW(&window_class);
    });
    handle_ = CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, module, nullptr);
  }
  ~OwnerWindow() {
    if (handle_ != nullptr) DestroyWindow(handle_);
  }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;

  HWND handle() const { return handle_; }

 private:
  HWND handle_ = nullptr;
};

class PopupMenu {
 public:
  PopupMenu() : menu_(CreatePopupMenu()) {}
  ~PopupMenu() {
    if (menu_ != nullptr) DestroyMenu(menu_);
  }
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  HMENU get() const { return menu_; }

 private:
  HMENU menu_;
};

// The editing command of an entry, as the page's key events carry it;
// null for the other entries.
const char* EditingCommandOf(int command_id) {
  switch (command_id) {
    case MENU_COMMAND_CUT:
      return "cut";
    case MENU_COMMAND_COPY:
      return "copy";
    case MENU_COMMAND_PASTE:
      return "paste";
    case MENU_COMMAND_SELECT_ALL:
      return "selectAll";
    default:
      return nullptr;
  }
}

}  // namespace

std::atomic<HWND> ContextMenu::open_owner_{nullptr};

void ContextMenu::Run(const Target& target, ContextMenuParams::Fields fields) {
  cef_browser_t* browser = target.browser;
  const int x = fields.x;
  const int y = fields.y;
  MenuModel* model = new MenuModel();
  CefRefPtr<cef_menu_model_t> hold_model(model->get());
  if (fields.editable) {
    if (!fields.selection_text.empty()) {
      model->Add(MENU_COMMAND_CUT, L"Cut");
      model->Add(MENU_COMMAND_COPY, L"Copy");
    }
    model->Add(MENU_COMMAND_PASTE, L"Paste");
    model->AddSeparator();
    model->Add(MENU_COMMAND_SELECT_ALL, L"Select all");
  } else {
    if (browser->can_go_back(browser)) model->Add(MENU_COMMAND_BACK, L"Back");
    if (browser->can_go_forward(browser)) model->Add(MENU_COMMAND_FORWARD, L"Forward");
    model->Add(MENU_COMMAND_RELOAD, L"Reload");
    if (!fields.selection_text.empty()) {
      model->AddSeparator();
      model->Add(MENU_COMMAND_COPY, L"Copy");
    }
  }
  ContextMenuParams* params = new ContextMenuParams(std::move(fields));
  CefRefPtr<cef_context_menu_params_t> hold_params(params->get());
  const CefRefPtr<cef_context_menu_handler_t>& handler = target.handler;
  if (handler && handler->on_before_context_menu != nullptr) {
    handler->on_before_context_menu(handler.get(), browser, target.frame, params->get(),
                                    model->get());
  }
  const std::vector<MenuModel::Entry> entries = model->Entries();
  if (entries.empty()) return;

  POINT screen = {x, y};
  if (target.window != nullptr) {
    if (!ClientToScreen(target.window, &screen)) return;
  } else {
    // Off-screen, only the client knows where the view lies.
    const CefRefPtr<cef_render_handler_t>& render = target.render;
    int screen_x = 0;
    int screen_y = 0;
    if (!render || render->get_screen_point == nullptr ||
        !render->get_screen_point(render.get(), browser, x, y, &screen_x, &screen_y)) {
      return;
    }
    screen = {screen_x, screen_y};
  }
  // An entry without a label shows as a separator.
  std::vector<std::wstring> labels;
  for (const MenuModel::Entry& entry : entries) labels.push_back(entry.label);
  const int chosen = Show(target, labels, screen);
  if (chosen < 0 || static_cast<size_t>(chosen) >= entries.size()) return;
  const int command_id = entries[static_cast<size_t>(chosen)].command_id;
  if (handler && handler->on_context_menu_command != nullptr &&
      handler->on_context_menu_command(handler.get(), browser, target.frame, params->get(),
                                       command_id, EVENTFLAG_NONE) != 0) {
    return;
  }
  Act(target, command_id);
}

int ContextMenu::Show(const Target& target, const std::vector<std::wstring>& labels, POINT screen) {
  PopupMenu menu;
  if (menu.get() == nullptr) return -1;
  for (size_t i = 0; i < labels.size(); ++i) {
    // Item ids are entry indexes plus one: TrackPopupMenu answers 0 for
    // none, and a client's command ids may be anything.
    if (labels[i].empty()) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu.get(), MF_STRING, i + 1, labels[i].c_str());
    }
  }
  OwnerWindow own_window;
  const HWND owner = target.window != nullptr ? target.window : own_window.handle();
  if (owner == nullptr) return -1;
  // Without the foreground the menu takes no keys and does not close when
  // the user clicks elsewhere.
  SetForegroundWindow(GetAncestor(owner, GA_ROOT));
  open_owner_ = owner;
  const int chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                    screen.x, screen.y, 0, owner, nullptr);
  open_owner_ = nullptr;
  PostMessageW(owner, WM_NULL, 0, 0);
  return chosen - 1;
}

void ContextMenu::CancelOpen() {
  // The owner's default handling of the message ends the menu on its own
  // thread.
  if (const HWND owner = open_owner_) PostMessageW(owner, WM_CANCELMODE, 0, 0);
}

void ContextMenu::Act(const Target& target, int command_id) {
  cef_browser_t* browser = target.browser;
  switch (command_id) {
    case MENU_COMMAND_BACK:
      browser->go_back(browser);
      return;
    case MENU_COMMAND_FORWARD:
      browser->go_forward(browser);
      return;
    case MENU_COMMAND_RELOAD:
      browser->reload(browser);
      return;
    default:
      break;
  }
  const char* editing = EditingCommandOf(command_id);
  if (editing == nullptr || !target.send) return;
  Json::Value down;
  down["type"] = "rawKeyDown";
  down["commands"].append(editing);
  target.send("Input.dispatchKeyEvent", down);
  Json::Value up;
  up["type"] = "keyUp";
  target.send("Input.dispatchKeyEvent", up);
}

}  // namespace qoz_runtime
