#include "ui/box/builder_cache.h"

#include <map>
#include <memory>

#include "ui/box/box.h"
#include "ui/box/markup_builder.h"

namespace ui {

namespace {

std::map<std::wstring, std::unique_ptr<MarkupBuilder>>& Builders() {
  static std::map<std::wstring, std::unique_ptr<MarkupBuilder>> builders;
  return builders;
}

// What a build gave: the filled box, or a new box. A new control that is not
// a box has no owner to go to, so it is freed and the build counts as failed.
Box* AsBox(Control* built, Box* box) {
  if (box) return built ? box : nullptr;
  auto* new_box = dynamic_cast<Box*>(built);
  if (!new_box) delete built;
  return new_box;
}

}  // namespace

void BuilderCache::Install() {
  GlobalManager::layoutBuilder = &BuilderCache::Build;
  GlobalManager::layoutCacheClearer = &BuilderCache::Clear;
}

Box* BuilderCache::Build(const std::wstring& path, const CreateControlCallback& callback, Box* box,
                         bool cached) {
  Window* window = box ? box->GetWindow() : nullptr;
  auto& builders = Builders();
  if (cached) {
    const auto found = builders.find(path);
    if (found != builders.end()) {
      return AsBox(found->second->BuildFromDocument(callback, window, nullptr, box), box);
    }
  }
  auto builder = std::make_unique<MarkupBuilder>();
  Box* built = AsBox(builder->Create(path, callback, window, nullptr, box), box);
  // A file that gave nothing is read again next time.
  if (cached && built) builders[path] = std::move(builder);
  return built;
}

void BuilderCache::Clear() { Builders().clear(); }

}  // namespace ui
