#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/core/markup_document.h"
#include "ui/core/markup_node.h"
#include "ui/resources/global_manager.h"

namespace ui {

class Box;
class Control;
class Window;

// Makes a new control of one markup class name; the caller owns it.
using ControlFactory = std::function<Control*()>;

// Turns a layout document into a control tree: the root element's window or
// global settings, the global fonts, text colours and classes, one control
// per element with its attributes applied in document order, "Include"
// elements expanded from further layout files and "Event"/"BubbledEvent"
// handlers attached. A builder holds one document and can build it again
// (the layout caches do). UI thread only.
class MarkupBuilder {
 public:
  MarkupBuilder() = default;
  MarkupBuilder(const MarkupBuilder&) = delete;
  MarkupBuilder& operator=(const MarkupBuilder&) = delete;

  // Adds a class name for the libraries above this one, whose control types
  // the builder cannot name itself; a later registration of a name replaces
  // the earlier one. The built-in names stay built in.
  static void RegisterControlClass(const std::wstring& class_name, ControlFactory factory);
  // A new control of a built-in or registered class name; null for any other.
  static Control* CreateControlByClass(const std::wstring& class_name);
  // Builds "global.xml" of the resource path into the global font, colour and
  // class tables; a missing or broken file leaves them as they are.
  static void LoadGlobalResource();

  // `xml` is the document itself when it starts with "<", else a file name
  // under the resource path, read from the skin package when one is open and
  // holds it, else from the disk. Returns the box when one is given, else the
  // first control built (added to `parent` when one is given); null when the
  // document cannot be read or holds no control.
  Control* Create(const std::wstring& xml, const CreateControlCallback& callback, Window* window,
                  Control* parent, Box* box);
  // Builds the document read by the last Create again.
  Control* BuildFromDocument(const CreateControlCallback& callback, Window* window, Control* parent,
                             Box* box);

  const MarkupDocument& GetDocument() const { return document_; }

 private:
  bool Load(const std::wstring& xml);
  // `depth` counts the elements and includes above the document's root.
  Control* Build(const CreateControlCallback& callback, Window* window, Control* parent, Box* box,
                 int32_t depth);
  void ReadResources(MarkupNode root, bool global, Window* window);
  Control* ParseChildren(MarkupNode node, Control* parent, Window* window, int32_t depth);
  void Include(MarkupNode node, Control* parent, Window* window, int32_t depth);
  Control* CreateControl(const std::wstring& class_name);
  void AttachXmlEvent(bool bubbled, MarkupNode node, Control* control);

  MarkupDocument document_;
  CreateControlCallback callback_;
  // The file this builder read and the files that include it, so that an
  // "Include" cannot expand a file inside itself.
  std::vector<std::wstring> open_files_;
};

}  // namespace ui
