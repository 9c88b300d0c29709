// Every label and button of the skin package that has a fixed width and a
// language key must show its text whole in each of the eighteen languages,
// measured with its own font and padding as the label measures itself.
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/string_util.h"
#include "launcher/core/resource_fonts.h"
#include "tests/support/embedded_skin.h"
#include "tests/support/scratch_dir.h"
#include "ui/box/box.h"
#include "ui/box/markup_builder.h"
#include "ui/control/control_classes.h"
#include "ui/control/label.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"
#include "ui/resources/zip_archive.h"

namespace {

using ui::GlobalManager;

const wchar_t* const kLanguages[] = {L"en",    L"zh_CN", L"ja", L"ko", L"zh_TW", L"vi",
                                     L"fr",    L"id",    L"it", L"es", L"tr",    L"th",
                                     L"pt_BR", L"ar",    L"ru", L"de", L"pl",    L"ms"};
const std::wstring kTheme = L"resources/themes/default/";

using LanguageTexts = std::map<std::wstring, std::map<std::wstring, std::wstring>>;

// A text that does not fit: where, in which language, and the pixels it
// needs against those it has (widths, or heights for a wrapping label).
struct Misfit {
  std::wstring layout;
  std::wstring control;
  std::wstring language;
  int needed = 0;
  int room = 0;
};

std::string ReadEntry(const std::wstring& name) {
  const ui::ScopedGlobalMemory block = GlobalManager::GetZipData(name);
  const ui::GlobalMemoryLock bytes(block.get());
  if (!bytes.data()) return std::string();
  return std::string(static_cast<const char*>(bytes.data()), bytes.size());
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The layouts of the package as the windows name them ("main\skin.xml").
std::vector<std::wstring> LayoutNames() {
  std::vector<std::wstring> names;
  ZipArchive* archive = GlobalManager::resourceZip->archive.get();
  ui::ZipEntry entry;
  if (archive->GetEntry(-1, &entry) != ZipResult::Ok) return names;
  const int32_t count = entry.index;
  for (int32_t i = 0; i < count; ++i) {
    if (archive->GetEntry(i, &entry) != ZipResult::Ok) continue;
    const std::wstring name = entry.name;
    if (name.compare(0, kTheme.size(), kTheme) != 0 || !EndsWith(name, L".xml") ||
        name == kTheme + L"global.xml") {
      continue;
    }
    std::wstring relative = name.substr(kTheme.size());
    qbase::ReplaceAllWide(L"/", L"\\", &relative);
    names.push_back(relative);
  }
  return names;
}

// What a label shows and where, as the label itself reads its attributes.
struct LabelFacts {
  std::wstring name;
  std::wstring textId;
  std::wstring font;
  UINT style = 0;
  bool singleLine = true;
  RECT padding = {};
  int width = 0;
  int height = 0;
};

template <typename Label>
bool ReadLabel(ui::Control* control, LabelFacts* facts) {
  auto* label = dynamic_cast<Label*>(control);
  if (!label) return false;
  facts->name = label->GetName();
  facts->textId = label->GetTextId();
  // A key written as the literal text is shown through the language too.
  if (facts->textId.empty() && label->GetText().compare(0, 7, L"STRING_") == 0) {
    facts->textId = label->GetText();
  }
  facts->font = label->GetFont();
  facts->style = label->GetTextStyle();
  facts->singleLine = label->IsSingleLine();
  facts->padding = label->GetTextPadding();
  facts->width = label->GetFixedWidth();
  facts->height = label->GetFixedHeight();
  return true;
}

class TextFitChecker {
 public:
  explicit TextFitChecker(const LanguageTexts& texts)
      : texts_(texts), context_(GlobalManager::renderFactory->CreateRenderContext()) {
    context_->Resize(1, 1, true);
  }

  // Builds a layout (a file name under the theme, or the document itself) and
  // measures its labels, reporting misfits under `title`; returns how many
  // labels it measured.
  int Check(const std::wstring& layout, const std::wstring& title, std::vector<Misfit>* misfits) {
    ui::Box holder;
    ui::MarkupBuilder builder;
    // Classes only a window provides (the web views) stand in as plain
    // controls: they hold no text.
    builder.Create(
        layout, [](const std::wstring&) -> ui::Control* { return new ui::Control(); }, nullptr,
        &holder, nullptr);
    int measured = 0;
    Walk(&holder, title, misfits, &measured);
    return measured;
  }

 private:
  void Walk(ui::Control* control, const std::wstring& layout, std::vector<Misfit>* misfits,
            int* measured) {
    LabelFacts facts;
    if ((ReadLabel<ui::LabelTemplate<ui::Control>>(control, &facts) ||
         ReadLabel<ui::LabelTemplate<ui::Box>>(control, &facts)) &&
        !facts.textId.empty() && facts.width > 0) {
      ++*measured;
      Measure(facts, layout, misfits);
    }
    if (auto* box = dynamic_cast<ui::Box*>(control)) {
      for (int32_t i = 0; i < box->GetCount(); ++i) {
        Walk(box->GetItemAt(i), layout, misfits, measured);
      }
    }
  }

  void Measure(const LabelFacts& facts, const std::wstring& layout, std::vector<Misfit>* misfits) {
    const int room_width = facts.width - facts.padding.left - facts.padding.right;
    const int room_height = facts.height - facts.padding.top - facts.padding.bottom;
    for (const auto& [language, texts] : texts_) {
      const auto text = texts.find(facts.textId);
      if (text == texts.end() || text->second.empty()) continue;
      Misfit misfit{layout, facts.name.empty() ? facts.textId : facts.name, language};
      if (facts.singleLine) {
        // Width 0: the whole line, unwrapped.
        const RECT bounds = context_->MeasureText(text->second, facts.font, facts.style, 0);
        misfit.needed = bounds.right - bounds.left;
        misfit.room = room_width;
      } else {
        if (facts.height <= 0) continue;
        const RECT bounds =
            context_->MeasureText(text->second, facts.font, facts.style, room_width);
        misfit.needed = bounds.bottom - bounds.top;
        misfit.room = room_height;
      }
      if (misfit.needed > misfit.room) misfits->push_back(misfit);
    }
  }

  const LanguageTexts& texts_;
  std::unique_ptr<ui::IRenderContext> context_;
};

// The UI framework over the embedded skin package with the launcher's own
// fonts, made known to this process only.
class TextFitTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    fonts_ = new test_support::ScratchDir();
    const FontTarget target{fonts_->path(), L"SOFTWARE\\LauncherTests\\TextFit" +
                                                std::to_wstring(GetCurrentProcessId())};
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, target.registryKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    if (key) RegCloseKey(key);
    fonts_installed_ = InstallResourceFonts(GetModuleHandleW(nullptr), target);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, target.registryKey.c_str());
    ui::RegisterControlClasses();
    GlobalManager::globalResourceLoader = &ui::MarkupBuilder::LoadGlobalResource;
    skin_ = new test_support::ScopedEmbeddedSkin();
    GlobalManager::Startup(L"resources\\", nullptr, L"themes\\default", L"en");
    texts_ = new LanguageTexts();
    for (const wchar_t* code : kLanguages) {
      (*texts_)[code] = ui::ParseLanguageLines(
          ui::SplitLanguageText(ReadEntry(L"resources\\lang\\" + std::wstring(code) + L".ini")));
    }
  }

  void SetUp() override {
    ASSERT_TRUE(fonts_installed_);
    ASSERT_TRUE(skin_->IsOpen());
    for (const wchar_t* code : kLanguages) ASSERT_FALSE(texts_->at(code).empty());
  }

  static std::string Describe(const std::vector<Misfit>& misfits) {
    std::wstring text;
    for (const Misfit& misfit : misfits) {
      text += L"\n  " + misfit.layout + L" " + misfit.control + L" [" + misfit.language +
              L"]: needs " + std::to_wstring(misfit.needed) + L" of " +
              std::to_wstring(misfit.room);
    }
    return qbase::WideToUtf8(text);
  }

  static test_support::ScratchDir* fonts_;
  static bool fonts_installed_;
  static test_support::ScopedEmbeddedSkin* skin_;
  static LanguageTexts* texts_;
};

test_support::ScratchDir* TextFitTest::fonts_ = nullptr;
bool TextFitTest::fonts_installed_ = false;
test_support::ScopedEmbeddedSkin* TextFitTest::skin_ = nullptr;
LanguageTexts* TextFitTest::texts_ = nullptr;

// The check itself: a button too narrow for its key is caught in every
// language, a wide one in none; a wrapping label counts by its height, and
// labels without a key or a fixed width are not measured.
TEST_F(TextFitTest, FindsTheTextsThatDoNotFit) {
  TextFitChecker checker(*texts_);
  std::vector<Misfit> misfits;
  const int measured = checker.Check(
      LR"(<Window><VBox>
        <Button name="narrow" width="6" textid="STRING_CONFIRM" font="system_14"/>
        <Button name="wide" width="600" textid="STRING_CONFIRM" font="system_14"/>
        <Label name="low" width="120" height="4" singleline="false" textid="STRING_CLOSE_CONFIRM_FOR_DOWNLOAD"/>
        <Label name="tall" width="600" height="400" singleline="false" textid="STRING_CLOSE_CONFIRM_FOR_DOWNLOAD"/>
        <Label name="auto" textid="STRING_CLOSE_CONFIRM_FOR_DOWNLOAD"/>
        <Label name="plain" width="1" text="no key"/>
      </VBox></Window>)",
      L"sample", &misfits);
  EXPECT_EQ(measured, 4);
  std::map<std::wstring, int> by_control;
  for (const Misfit& misfit : misfits) {
    ++by_control[misfit.control];
    EXPECT_GT(misfit.needed, misfit.room);
  }
  EXPECT_EQ(by_control, (std::map<std::wstring, int>{{L"narrow", 18}, {L"low", 18}}))
      << Describe(misfits);
}

TEST_F(TextFitTest, EveryLabelOfThePackageFitsInEveryLanguage) {
  TextFitChecker checker(*texts_);
  std::vector<Misfit> misfits;
  int measured = 0;
  const std::vector<std::wstring> layouts = LayoutNames();
  ASSERT_FALSE(layouts.empty());
  for (const std::wstring& layout : layouts) measured += checker.Check(layout, layout, &misfits);
  // The boxes' and the main window's keyed labels at least.
  EXPECT_GT(measured, 0);
  EXPECT_TRUE(misfits.empty()) << misfits.size() << " texts do not fit:" << Describe(misfits);
}

}  // namespace
