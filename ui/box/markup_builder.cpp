#include "ui/box/markup_builder.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <map>
#include <memory>
#include <utility>

#include "base/string_util.h"
#include "ui/box/box.h"
#include "ui/box/child_box.h"
#include "ui/box/horizontal_layout.h"
#include "ui/box/scroll_bar.h"
#include "ui/box/tab_box.h"
#include "ui/box/vertical_layout.h"
#include "ui/core/control.h"
#include "ui/core/dpi_manager.h"
#include "ui/core/markup_event_handler.h"
#include "ui/core/window.h"
#include "ui/resources/image_attribute.h"
#include "ui/resources/language_string_table.h"
#include "ui/resources/zip_archive.h"

namespace ui {

namespace {

// "Include" reads at most this many characters of its attributes.
constexpr size_t kMaxIncludeText = 499;
constexpr int32_t kDefaultFontSize = 12;

std::map<std::wstring, ControlFactory>& RegisteredClasses() {
  static std::map<std::wstring, ControlFactory> classes;
  return classes;
}

bool IsResourceElement(const wchar_t* name) {
  return std::wcscmp(name, L"Image") == 0 || std::wcscmp(name, L"Font") == 0 ||
         std::wcscmp(name, L"Class") == 0 || std::wcscmp(name, L"TextColor") == 0;
}

bool IsTrue(const std::wstring& value) { return value == L"true"; }

// "cx,cy": the first two numbers of the rectangle form.
SIZE ParseSizePair(const std::wstring& value) {
  const RECT numbers = ParseRectValue(value);
  return {numbers.left, numbers.top};
}

RECT ParseScaledRect(const std::wstring& value) {
  RECT rect = ParseRectValue(value);
  DpiManager::GetInstance()->ScaleRect(&rect);
  return rect;
}

// The shadow's width on both sides, while the window has one.
SIZE ShadowBand(const Window& window) {
  const Shadow& shadow = window.GetShadow();
  if (!shadow.attached) return {0, 0};
  return {shadow.corner.left + shadow.corner.right, shadow.corner.top + shadow.corner.bottom};
}

// A track size grows by the shadow in each direction that is set.
SIZE ParseTrackSize(const Window& window, const std::wstring& value) {
  const SIZE size = ParseSizePair(value);
  const DpiManager* dpi = DpiManager::GetInstance();
  const SIZE band = ShadowBand(window);
  SIZE scaled = {dpi->ScaleInt(size.cx), dpi->ScaleInt(size.cy)};
  if (scaled.cx != 0) scaled.cx += band.cx;
  if (scaled.cy != 0) scaled.cy += band.cy;
  return scaled;
}

// The window covers its owner's body less the margin (cx, cy).
void ExpandOverOwner(Window* window, SIZE margin) {
  HWND owner = GetWindow(window->GetHWND(), GW_OWNER);
  if (!owner) return;
  owner = GetAncestor(owner, GA_ROOT);
  const auto& windows = GlobalManager::windowList;
  const auto found = std::find_if(windows.begin(), windows.end(),
                                  [owner](const Window* item) { return item->GetHWND() == owner; });
  if (found == windows.end()) return;
  RECT owner_rect;
  GetWindowRect(owner, &owner_rect);
  const SIZE owner_band = ShadowBand(**found);
  window->SetInitSize(owner_rect.right - owner_rect.left - owner_band.cx - margin.cx,
                      owner_rect.bottom - owner_rect.top - owner_band.cy - margin.cy, true, false);
}

// The window's height is a share of its monitor's work area.
void ApplyHeightPercent(Window* window, const std::wstring& value) {
  const double percent = std::wcstod(value.c_str(), nullptr);
  window->SetHeightPercent(percent);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window->GetHWND(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  const SIZE band = ShadowBand(*window);
  auto height = static_cast<int32_t>((monitor.rcWork.bottom - monitor.rcWork.top) * percent);
  if (window->GetMinInfo().cy != 0)
    height = std::max<int32_t>(height, window->GetMinInfo().cy - band.cy);
  if (window->GetMaxInfo().cy != 0)
    height = std::min<int32_t>(height, window->GetMaxInfo().cy - band.cy);
  const int32_t width = window->GetInitSize().cx != 0 ? window->GetInitSize().cx - band.cx : 0;
  window->SetInitSize(width, height, true, false);
}

void ApplyWindowAttribute(Window* window, const std::wstring& name, const std::wstring& value) {
  Shadow& shadow = window->GetShadow();
  const DpiManager* dpi = DpiManager::GetInstance();
  if (name == L"size") {
    const SIZE size = ParseSizePair(value);
    window->SetInitSize(size.cx, size.cy, true, true);
  } else if (name == L"edging") {
    window->SetEdging(ParseScaledRect(value));
  } else if (name == L"expand") {
    ExpandOverOwner(window, ParseSizePair(value));
  } else if (name == L"heightpercent") {
    ApplyHeightPercent(window, value);
  } else if (name == L"sizebox") {
    window->SetSizeBox(ParseRectValue(value));
  } else if (name == L"caption") {
    window->SetCaptionRect(ParseScaledRect(value));
  } else if (name == L"textid") {
    SetWindowTextW(window->GetHWND(),
                   LanguageStringTable::GetInstance()->GetStringById(value).c_str());
  } else if (name == L"roundcorner") {
    const SIZE size = ParseSizePair(value);
    window->SetRoundCorner({dpi->ScaleInt(size.cx), dpi->ScaleInt(size.cy)});
  } else if (name == L"mininfo") {
    window->SetMinInfo(ParseTrackSize(*window, value));
  } else if (name == L"maxinfo") {
    window->SetMaxInfo(ParseTrackSize(*window, value));
  } else if (name == L"shadowattached") {
    shadow.attached = IsTrue(value);
  } else if (name == L"shadowimage") {
    shadow.image = value;
    shadow.roundCorners = false;
  } else if (name == L"shadowcorner") {
    shadow.unscaledCorner = ParseRectValue(value);
    shadow.corner = ParseScaledRect(value);
    shadow.savedCorner = shadow.corner;
  } else if (name == L"alphafixcorner" || name == L"custom_shadow") {
    window->SetAlphaFixCorner(ParseScaledRect(value));
  }
}

void ApplyGlobalAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"disabledfontcolor") {
    GlobalManager::defaultDisabledTextColor = value;
  } else if (name == L"defaultfontcolor") {
    GlobalManager::defaultTextColor = value;
  }
}

void AddFontElement(MarkupNode node) {
  std::wstring id;
  std::wstring face;
  int32_t size = kDefaultFontSize;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  bool is_default = false;
  for (int32_t i = 0; i < node.GetAttributeCount(); ++i) {
    const std::wstring name = node.GetAttributeName(i);
    const std::wstring value = node.GetAttributeValue(i);
    if (name == L"id") {
      id = value;
    } else if (name == L"name") {
      face = value;
    } else if (name == L"size") {
      size = static_cast<int32_t>(std::wcstol(value.c_str(), nullptr, 10));
    } else if (name == L"bold") {
      bold = IsTrue(value);
    } else if (name == L"underline") {
      underline = IsTrue(value);
    } else if (name == L"italic") {
      italic = IsTrue(value);
    } else if (name == L"default") {
      is_default = IsTrue(value);
    }
  }
  if (!face.empty()) GlobalManager::AddFont(id, face, size, bold, underline, italic, is_default);
}

void AddTextColorElement(MarkupNode node) {
  std::wstring name;
  std::wstring value;
  node.GetAttributeValue(L"name", &name);
  node.GetAttributeValue(L"value", &value);
  // A colour without a value has nothing to read.
  if (!name.empty() && !value.empty()) GlobalManager::AddTextColor(name, value);
}

void AddClassElement(MarkupNode node, bool global, Window* window) {
  std::wstring class_name;
  std::vector<std::pair<std::wstring, std::wstring>> attributes;
  for (int32_t i = 0; i < node.GetAttributeCount(); ++i) {
    std::wstring name = node.GetAttributeName(i);
    if (name == L"name") {
      class_name = node.GetAttributeValue(i);
    } else {
      attributes.emplace_back(std::move(name), node.GetAttributeValue(i));
    }
  }
  if (class_name.empty()) return;
  if (global) {
    GlobalManager::AddClass(class_name, attributes);
  } else if (window) {
    window->AddClass(class_name, BuildClassText(attributes));
  }
}

std::wstring Truncated(std::wstring text) {
  if (text.size() > kMaxIncludeText) text.resize(kMaxIncludeText);
  return text;
}

std::wstring Lowered(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// The bytes of a package entry, as long as the entry (the block may be
// longer); false when the package has no such entry.
bool ReadPackageEntry(const std::wstring& path, std::string* bytes) {
  ZipEntry entry;
  if (FindZipEntry(GlobalManager::GetZipEntryPath(path), nullptr, &entry) != ZipResult::Ok) {
    return false;
  }
  const ScopedGlobalMemory block = GlobalManager::GetZipData(path);
  const GlobalMemoryLock lock(block.get());
  if (!lock.data()) return false;
  bytes->assign(static_cast<const char*>(lock.data()),
                std::min<size_t>(entry.uncompressedSize, lock.size()));
  return true;
}

}  // namespace

void MarkupBuilder::RegisterControlClass(const std::wstring& class_name, ControlFactory factory) {
  RegisteredClasses()[class_name] = std::move(factory);
}

Control* MarkupBuilder::CreateControlByClass(const std::wstring& class_name) {
  if (class_name == L"Control") return new Control;
  if (class_name == L"Box") return new Box;
  if (class_name == L"HBox") return new HBox;
  if (class_name == L"VBox") return new VBox;
  if (class_name == L"TileBox") return new TileBox;
  if (class_name == L"ChildBox") return new ChildBox;
  if (class_name == L"ScrollBar") return new ScrollBar;
  if (class_name == L"TabBox") return new TabBox;
  if (class_name == L"HTabBox") return new TabBox(std::make_unique<HLayout>());
  if (class_name == L"VTabBox") return new TabBox(std::make_unique<VLayout>());
  const auto& classes = RegisteredClasses();
  const auto found = classes.find(class_name);
  return found != classes.end() && found->second ? found->second() : nullptr;
}

void MarkupBuilder::LoadGlobalResource() {
  Window window;
  MarkupBuilder builder;
  std::unique_ptr<Control> discarded(
      builder.Create(L"global.xml", CreateControlCallback(), &window, nullptr, nullptr));
}

Control* MarkupBuilder::Create(const std::wstring& xml, const CreateControlCallback& callback,
                               Window* window, Control* parent, Box* box) {
  if (!Load(xml)) return nullptr;
  return BuildFromDocument(callback, window, parent, box);
}

bool MarkupBuilder::Load(const std::wstring& xml) {
  if (!xml.empty() && xml[0] == L'<') return document_.LoadFromString(xml);
  open_files_.push_back(Lowered(xml));
  std::string bytes;
  if (GlobalManager::resourceZip && ReadPackageEntry(GlobalManager::resourcePath + xml, &bytes)) {
    return document_.LoadFromUtf8(bytes);
  }
  return document_.LoadFromFile(xml);
}

Control* MarkupBuilder::BuildFromDocument(const CreateControlCallback& callback, Window* window,
                                          Control* parent, Box* box) {
  return Build(callback, window, parent, box, 0);
}

Control* MarkupBuilder::Build(const CreateControlCallback& callback, Window* window,
                              Control* parent, Box* box, int32_t depth) {
  callback_ = callback;
  MarkupNode root = document_.GetRoot();
  if (!root.IsValid()) return nullptr;
  const std::wstring root_name = root.GetName();
  if (window) {
    const bool global = root_name == L"Global";
    if (global || (root_name == L"Window" && window->GetHWND())) {
      for (int32_t i = 0; i < root.GetAttributeCount(); ++i) {
        if (global) {
          ApplyGlobalAttribute(root.GetAttributeName(i), root.GetAttributeValue(i));
        } else {
          ApplyWindowAttribute(window, root.GetAttributeName(i), root.GetAttributeValue(i));
        }
      }
    }
    if (global || root_name == L"Window") ReadResources(root, global, window);
  }

  MarkupNode content = root.FirstChild();
  while (content.IsValid() && IsResourceElement(content.GetName())) {
    content = content.NextSibling();
  }
  if (!content.IsValid()) return nullptr;
  if (!box) return ParseChildren(root, parent, window, depth);
  for (int32_t i = 0; i < content.GetAttributeCount(); ++i) {
    box->SetAttribute(content.GetAttributeName(i), content.GetAttributeValue(i));
  }
  ParseChildren(content, box, window, depth + 1);
  return box;
}

void MarkupBuilder::ReadResources(MarkupNode root, bool global, Window* window) {
  for (MarkupNode node = root.FirstChild(); node.IsValid(); node = node.NextSibling()) {
    const wchar_t* name = node.GetName();
    if (std::wcscmp(name, L"Class") == 0) {
      AddClassElement(node, global, window);
    } else if (global && std::wcscmp(name, L"Font") == 0) {
      AddFontElement(node);
    } else if (global && std::wcscmp(name, L"TextColor") == 0) {
      AddTextColorElement(node);
    }
  }
}

Control* MarkupBuilder::ParseChildren(MarkupNode node, Control* parent, Window* window,
                                      int32_t depth) {
  if (depth > kMaxMarkupDepth) return nullptr;
  Control* first = nullptr;
  for (MarkupNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling()) {
    const std::wstring class_name = child.GetName();
    if (IsResourceElement(class_name.c_str())) continue;
    if (class_name == L"Include") {
      Include(child, parent, window, depth + 1);
      continue;
    }
    std::unique_ptr<Control> control(CreateControlByClass(class_name));
    if (!control) {
      if (class_name == L"Event" || class_name == L"BubbledEvent") {
        if (parent) AttachXmlEvent(class_name == L"BubbledEvent", child, parent);
        continue;
      }
      control.reset(CreateControl(class_name));
      if (!control) continue;
    }

    control->SetWindow(window);
    for (int32_t i = 0; i < child.GetAttributeCount(); ++i) {
      control->SetAttribute(child.GetAttributeName(i), child.GetAttributeValue(i));
    }
    if (child.HasChildren()) ParseChildren(child, control.get(), window, depth + 1);

    if (!parent) {
      // Only the first top-level control has an owner; later ones would leak.
      if (!first) first = control.release();
      continue;
    }
    auto* box = dynamic_cast<Box*>(parent);
    if (!box) return nullptr;
    Control* added = control.get();
    // The box owns what it takes; a refused control goes here.
    if (!box->Add(added)) continue;
    control.release();
    if (!first) first = added;
  }
  return first;
}

void MarkupBuilder::Include(MarkupNode node, Control* parent, Window* window, int32_t depth) {
  if (node.GetAttributeCount() == 0) return;
  int32_t count = 1;
  std::wstring source;
  std::wstring value;
  if (node.GetAttributeValue(L"count", &value)) {
    count = static_cast<int32_t>(std::wcstol(Truncated(value).c_str(), nullptr, 10));
  }
  if (!node.GetAttributeValue(L"source", &source)) return;
  source = Truncated(source);
  if (std::find(open_files_.begin(), open_files_.end(), Lowered(source)) != open_files_.end()) {
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    MarkupBuilder included;
    included.open_files_ = open_files_;
    if (!included.Load(source)) return;
    Control* built = included.Build(callback_, window, parent, nullptr, depth);
    // With a parent the parent owns what was built; without one nothing would.
    if (!parent) delete built;
  }
}

Control* MarkupBuilder::CreateControl(const std::wstring& class_name) {
  if (GlobalManager::createControlCallback) {
    if (Control* control = GlobalManager::createControlCallback(class_name)) return control;
  }
  return callback_ ? callback_(class_name) : nullptr;
}

void MarkupBuilder::AttachXmlEvent(bool bubbled, MarkupNode node, Control* control) {
  std::wstring types;
  std::wstring receivers;
  std::wstring attributes;
  node.GetAttributeValue(L"type", &types);
  node.GetAttributeValue(L"receiver", &receivers);
  node.GetAttributeValue(L"applyattribute", &attributes);
  auto* box = dynamic_cast<Box*>(control);
  if (bubbled && !box) return;
  for (const std::wstring& type_name : qbase::SplitWide(types, L" ")) {
    const EventType type = EventTypeFromMarkupName(type_name);
    for (const std::wstring& receiver : qbase::SplitWide(receivers, L" ")) {
      const EventCallback handler = MakeMarkupEventHandler(control, receiver, attributes);
      if (bubbled) {
        box->AddMarkupBubbledEventHandler(type, handler);
      } else {
        control->AddMarkupEventHandler(type, handler);
      }
    }
  }
}

}  // namespace ui
