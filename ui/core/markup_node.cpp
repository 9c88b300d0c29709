#include "ui/core/markup_node.h"

#include <cwchar>

#include "ui/core/markup_document.h"

namespace ui {

namespace {

bool IsBlank(wchar_t c) { return c > 0 && c <= L' '; }

}  // namespace

MarkupNode::MarkupNode(const MarkupDocument* document, uint32_t element)
    : document_(document), element_(element) {}

const wchar_t* MarkupNode::GetName() const {
  return IsValid() ? document_->GetText(document_->GetElement(element_).name) : L"";
}

MarkupNode MarkupNode::FirstChild() const {
  if (!IsValid()) return MarkupNode();
  const uint32_t child = document_->GetElement(element_).firstChild;
  return child ? MarkupNode(document_, child) : MarkupNode();
}

MarkupNode MarkupNode::NextSibling() const {
  if (!IsValid()) return MarkupNode();
  const uint32_t sibling = document_->GetElement(element_).nextSibling;
  return sibling ? MarkupNode(document_, sibling) : MarkupNode();
}

bool MarkupNode::HasChildren() const {
  return IsValid() && document_->GetElement(element_).firstChild != 0;
}

int32_t MarkupNode::GetAttributeCount() {
  if (attribute_count_ == 0) MapAttributes();
  return attribute_count_;
}

const wchar_t* MarkupNode::GetAttributeName(int32_t index) {
  if (index < 0 || index >= GetAttributeCount()) return L"";
  return document_->GetText(attributes_[index].name);
}

const wchar_t* MarkupNode::GetAttributeValue(int32_t index) {
  if (index < 0 || index >= GetAttributeCount()) return L"";
  return document_->GetText(attributes_[index].value);
}

bool MarkupNode::GetAttributeValue(const wchar_t* name, std::wstring* value) {
  const int32_t count = GetAttributeCount();
  for (int32_t i = 0; i < count; ++i) {
    if (std::wcscmp(document_->GetText(attributes_[i].name), name) == 0) {
      *value = document_->GetText(attributes_[i].value);
      return true;
    }
  }
  return false;
}

void MarkupNode::MapAttributes() {
  attribute_count_ = 0;
  if (!IsValid()) return;
  const MarkupElement& element = document_->GetElement(element_);
  const wchar_t* text = document_->GetText(0);
  const wchar_t* end = text + element.data;
  const wchar_t* position = text + element.name;
  position += std::wcslen(position) + 1;
  while (position < end && attribute_count_ < kMaxMarkupAttributes) {
    while (IsBlank(*position)) ++position;
    if (position >= end || *position == L'>' || *position == L'/') break;
    const uint32_t name = static_cast<uint32_t>(position - text);
    position += std::wcslen(position) + 1;
    while (IsBlank(*position)) ++position;
    if (*position != L'"') break;
    ++position;
    attributes_[attribute_count_++] = {name, static_cast<uint32_t>(position - text)};
    position += std::wcslen(position) + 1;
  }
}

}  // namespace ui
