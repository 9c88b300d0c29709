#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class MarkupNode;

// Layout files above this size are refused.
constexpr uint32_t kMaxMarkupFileSize = 4194304;
// Elements nested deeper than this are refused: layouts come from a package
// that can be replaced beside the executable, so they are input like any file.
constexpr int32_t kMaxMarkupDepth = 256;

// One element of a parsed document: character offsets into the document's
// text and indexes into its element table, 0 meaning none.
struct MarkupElement {
  uint32_t name = 0;
  uint32_t firstChild = 0;
  uint32_t nextSibling = 0;
  uint32_t parent = 0;
  // Just after the start tag; the attributes lie between the name and here.
  uint32_t data = 0;
};

// The layout reader: the subset of XML the skin uses (elements, attributes in
// double quotation marks, text, comments, processing instructions and the five
// named entities), parsed in place into one text buffer and a flat element
// table. Element 0 stands for the document, element 1 is the root. A failed
// load leaves an empty document, a message and the text where parsing
// stopped. UI thread only (file names are taken under the resource path).
class MarkupDocument {
 public:
  bool LoadFromString(const std::wstring& text);
  // A relative path is taken under the resource path.
  bool LoadFromFile(const std::wstring& path);
  // The bytes of a file (a package entry): a UTF-8 byte-order mark is skipped.
  bool LoadFromUtf8(const std::string& bytes);
  void Release();

  // The root element; an invalid node when the document has none.
  MarkupNode GetRoot() const;
  uint32_t GetElementCount() const { return static_cast<uint32_t>(elements_.size()); }
  const MarkupElement& GetElement(uint32_t index) const { return elements_[index]; }
  // The zero-terminated text at an offset of the buffer.
  const wchar_t* GetText(uint32_t offset) const { return text_.data() + offset; }

  // At most 99 characters.
  const std::wstring& GetErrorMessage() const { return error_message_; }
  // At most 49 characters of the text where parsing stopped.
  const std::wstring& GetErrorLocation() const { return error_location_; }

 private:
  bool LoadFromFileBytes(const std::string& bytes);
  bool Parse();
  bool ParseElement(wchar_t** position, uint32_t parent, int32_t depth);
  bool ParseAttributes(wchar_t** position);
  bool ParseData(wchar_t** position, wchar_t** write, wchar_t end);
  // Fills the error texts and the reason is returned as false.
  bool Fail(const wchar_t* message, const wchar_t* location);
  uint32_t OffsetOf(const wchar_t* position) const {
    return static_cast<uint32_t>(position - text_.data());
  }

  std::vector<wchar_t> text_;
  std::vector<MarkupElement> elements_;
  std::wstring error_message_;
  std::wstring error_location_;
};

}  // namespace ui
