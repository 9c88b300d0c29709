#include "browser/runtime/context_menu_params.h"

#include "browser/runtime/lent_string.h"

#include <utility>

namespace qoz_runtime {

namespace {

const ContextMenuParams::Fields& FieldsOf(cef_context_menu_params_t* self) {
  return CefInterface<cef_context_menu_params_t>::OwnerOf<ContextMenuParams>(self)->fields();
}

}  // namespace

ContextMenuParams::ContextMenuParams(Fields fields) : fields_(std::move(fields)) {
  cef_context_menu_params_t* params = params_.get();
  params->get_x = [](cef_context_menu_params_t* self) { return FieldsOf(self).x; };
  params->get_y = [](cef_context_menu_params_t* self) { return FieldsOf(self).y; };
  params->get_link_url = [](cef_context_menu_params_t* self) {
    return UserFreeCopy(FieldsOf(self).link_url);
  };
  params->get_selection_text = [](cef_context_menu_params_t* self) {
    return UserFreeCopy(FieldsOf(self).selection_text);
  };
  params->is_editable = [](cef_context_menu_params_t* self) {
    return FieldsOf(self).editable ? 1 : 0;
  };
  params->get_page_url = [](cef_context_menu_params_t* self) {
    return UserFreeCopy(FieldsOf(self).page_url);
  };
}

}  // namespace qoz_runtime
