#include "ui/box/child_box.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "ui/core/markup_document.h"
#include "ui/resources/global_manager.h"

namespace ui {

namespace {

// The files child boxes are building right now, outermost first: the
// content of one is attached, and so initialised, while it is built.
std::vector<std::wstring>& FilesBeingBuilt() {
  static std::vector<std::wstring> files;
  return files;
}

std::wstring Lowered(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

}  // namespace

void ChildBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"xmlfile") {
    xml_file_ = value;
  } else {
    Box::SetAttribute(name, value);
  }
}

void ChildBox::Init() {
  if (xml_file_.empty() || built_) return;
  auto& building = FilesBeingBuilt();
  const std::wstring key = Lowered(xml_file_);
  if (std::find(building.begin(), building.end(), key) != building.end() ||
      building.size() >= static_cast<size_t>(kMaxMarkupDepth)) {
    // Inside its own content: it stays empty, also when the tree is
    // initialised again.
    built_ = true;
    return;
  }
  building.push_back(key);
  Box* box = GlobalManager::CreateBoxWithCache(xml_file_, CreateControlCallback());
  if (box) {
    built_ = true;
    Add(box);
  } else {
    RemoveAll();
  }
  building.pop_back();
}

}  // namespace ui
