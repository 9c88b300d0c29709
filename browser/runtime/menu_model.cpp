#include "browser/runtime/menu_model.h"

#include "browser/runtime/lent_string.h"
#include "browser/runtime/text_convert.h"

namespace qoz_runtime {

namespace {

MenuModel* Of(cef_menu_model_t* self) {
  return CefInterface<cef_menu_model_t>::OwnerOf<MenuModel>(self);
}

}  // namespace

MenuModel::MenuModel() {
  cef_menu_model_t* model = model_.get();
  model->clear = [](cef_menu_model_t* self) {
    MenuModel* menu = Of(self);
    std::lock_guard<std::mutex> hold(menu->lock_);
    menu->entries_.clear();
    return 1;
  };
  model->get_count = [](cef_menu_model_t* self) {
    MenuModel* menu = Of(self);
    std::lock_guard<std::mutex> hold(menu->lock_);
    return menu->entries_.size();
  };
  model->get_command_id_at = [](cef_menu_model_t* self, size_t index) {
    MenuModel* menu = Of(self);
    std::lock_guard<std::mutex> hold(menu->lock_);
    return index < menu->entries_.size() ? menu->entries_[index].command_id : -1;
  };
  model->get_label_at = [](cef_menu_model_t* self, size_t index) {
    MenuModel* menu = Of(self);
    std::wstring label;
    {
      std::lock_guard<std::mutex> hold(menu->lock_);
      if (index < menu->entries_.size()) label = menu->entries_[index].label;
    }
    return UserFreeCopy(label);
  };
  model->add_item = [](cef_menu_model_t* self, int command_id, const cef_string_t* label) {
    Of(self)->Add(command_id, FromCef(label));
    return 1;
  };
  model->add_separator = [](cef_menu_model_t* self) {
    Of(self)->AddSeparator();
    return 1;
  };
  model->remove_at = [](cef_menu_model_t* self, size_t index) {
    MenuModel* menu = Of(self);
    std::lock_guard<std::mutex> hold(menu->lock_);
    if (index >= menu->entries_.size()) return 0;
    menu->entries_.erase(menu->entries_.begin() + static_cast<std::ptrdiff_t>(index));
    return 1;
  };
}

void MenuModel::Add(int command_id, const std::wstring& label) {
  std::lock_guard<std::mutex> hold(lock_);
  entries_.push_back({command_id, label});
}

void MenuModel::AddSeparator() {
  std::lock_guard<std::mutex> hold(lock_);
  entries_.push_back({0, std::wstring()});
}

std::vector<MenuModel::Entry> MenuModel::Entries() {
  std::lock_guard<std::mutex> hold(lock_);
  return entries_;
}

}  // namespace qoz_runtime
