#pragma once

namespace ui {

// Enters the markup class names of this library's controls ("Label",
// "Button", "CheckBox", "Option" and their box forms, "CircleProgress", the
// lists and their items, "Combo", "TreeView", "TreeNode", "VirtualListBox")
// into the layout builder; the framework's start-up runs it once before the
// first layout.
void RegisterControlClasses();

}  // namespace ui
