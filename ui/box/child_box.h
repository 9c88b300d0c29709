#pragma once

#include <string>

#include "ui/box/box.h"

namespace ui {

// A box whose content comes from another layout file ("xmlfile"): when the
// box is first initialised in its window the file is built, through the
// global layout cache, into a box that becomes its child; a form's tree is
// initialised again when the window attaches it, and that keeps the content
// built once. A file that leads back to itself through child boxes, or
// nests them deeper than markup may, is not built again. Markup "ChildBox".
class ChildBox : public Box {
 public:
  ChildBox() = default;

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void Init() override;

  const std::wstring& GetXmlFile() const { return xml_file_; }

 private:
  std::wstring xml_file_;
  // Built, or refused as part of its own content.
  bool built_ = false;
};

}  // namespace ui
