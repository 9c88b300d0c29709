#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ui {

class MarkupDocument;

// At most this many attributes of an element are seen.
constexpr int32_t kMaxMarkupAttributes = 64;

// A light handle on one element of a parsed document, valid while the
// document is neither reloaded nor released. Its attribute table is built on
// first use.
class MarkupNode {
 public:
  MarkupNode() = default;
  MarkupNode(const MarkupDocument* document, uint32_t element);

  bool IsValid() const { return document_ && element_ != 0; }
  const wchar_t* GetName() const;
  // Not "Get...": windowsx.h takes those names as macros.
  MarkupNode FirstChild() const;
  MarkupNode NextSibling() const;
  bool HasChildren() const;

  int32_t GetAttributeCount();
  // Empty for an index out of range.
  const wchar_t* GetAttributeName(int32_t index);
  const wchar_t* GetAttributeValue(int32_t index);
  // The value of the first attribute of that name; false when there is none.
  bool GetAttributeValue(const wchar_t* name, std::wstring* value);

 private:
  void MapAttributes();

  struct AttributeOffsets {
    uint32_t name;
    uint32_t value;
  };

  const MarkupDocument* document_ = nullptr;
  uint32_t element_ = 0;
  int32_t attribute_count_ = 0;
  std::array<AttributeOffsets, kMaxMarkupAttributes> attributes_ = {};
};

}  // namespace ui
