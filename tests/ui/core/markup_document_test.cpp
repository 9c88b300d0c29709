#include "ui/core/markup_document.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "ui/core/markup_node.h"
#include "ui/resources/global_manager.h"

namespace {

using ui::MarkupDocument;
using ui::MarkupNode;

// "name[attribute=value,...](children)" of an element and its subtree.
std::wstring Describe(MarkupNode node) {
  std::wstring text = node.GetName();
  if (node.GetAttributeCount() > 0) {
    text += L"[";
    for (int32_t i = 0; i < node.GetAttributeCount(); ++i) {
      if (i) text += L",";
      text += std::wstring(node.GetAttributeName(i)) + L"=" + node.GetAttributeValue(i);
    }
    text += L"]";
  }
  if (node.HasChildren()) {
    text += L"(";
    for (MarkupNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling()) {
      if (text.back() != L'(') text += L" ";
      text += Describe(child);
    }
    text += L")";
  }
  return text;
}

// The tree of a document that loads, or "error: message @ location".
std::wstring Read(const std::wstring& text) {
  MarkupDocument document;
  if (!document.LoadFromString(text)) {
    return L"error: " + document.GetErrorMessage() + L" @ " + document.GetErrorLocation();
  }
  const MarkupNode root = document.GetRoot();
  return root.IsValid() ? Describe(root) : L"(no root)";
}

TEST(MarkupDocumentTest, DocumentsAgainstTreesAndErrors) {
  const struct {
    const wchar_t* text;
    const wchar_t* expected;
  } cases[] = {
      {L"<Window size=\"10,20\"><VBox><Control name=\"a\"/></VBox></Window>",
       L"Window[size=10,20](VBox(Control[name=a]))"},
      {L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- a comment -->\n<a/>", L"a"},
      {L"<a><!-- inside --><b x = \"1\"  y=\"2\" /></a>", L"a(b[x=1,y=2])"},
      // An empty element written right after its name ends there.
      {L"<a><Control/><Label/></a>", L"a(Control Label)"},
      // Text may open an element's content; none follows a child element.
      {L"<a>text &amp; more<b/></a>", L"a(b)"},
      {L"<a><b/>tail</a>", L"error: Expected start tag @ tail</a>"},
      // A missing closing tag is accepted at the first two levels only.
      {L"<a><b/>", L"a(b)"},
      {L"<a><b>", L"a(b)"},
      {L"<a><b><c>", L"error: Expected end-tag start @ "},
      {L"<a><b><c/>", L"error: Expected start tag @ "},
      // Entities: the five named ones; numeric references stay as written.
      {L"<a v=\"&amp;&#65;\"/>", L"a[v=&&#65;]"},
      {L"<a v=\"&lt;&gt;&quot;&apos;&bogus;\"/>", L"a[v=<>\"'&bogus;]"},
      // Whitespace in values is kept.
      {L"<a v=\" 1\n\t2 \"/>", L"a[v= 1\n\t2 ]"},
      // A document type declaration has no "->", so the rest is skipped.
      {L"<!DOCTYPE a><a/>", L"(no root)"},
      {L"<ab></ab >", L"ab"},
      {L"<ab></abc>", L"error: Unmatched closing tag @ c>"},
      {L"<ab></ab", L"error: Unmatched closing tag @ "},
      {L"<a x='1'/>", L"error: Expected attribute value @ '1'/>"},
      {L"<a x=\"1\" y></a>", L"error: Error while parsing attributes @ ></a>"},
      {L"<a x=\"1", L"error: Error while parsing attribute string @ "},
      {L"<a x=\"1\"/ >", L"error: Expected start-tag closing @ / >"},
      {L"<a", L"error: Error parsing element name @ "},
      {L"text", L"error: Expected start tag @ text"},
      {L"", L"(no root)"},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(Read(item.text), item.expected) << item.text;
  }
}

TEST(MarkupDocumentTest, ErrorTextsAreCut) {
  MarkupDocument document;
  EXPECT_FALSE(document.LoadFromString(std::wstring(80, L'x')));
  EXPECT_EQ(document.GetErrorMessage(), L"Expected start tag");
  EXPECT_EQ(document.GetErrorLocation(), std::wstring(49, L'x'));
  EXPECT_FALSE(document.GetRoot().IsValid());
}

TEST(MarkupDocumentTest, SeventyAttributesExposeTheFirstSixtyFour) {
  std::wstring text = L"<a";
  for (int i = 0; i < 70; ++i)
    text += L" n" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
  text += L"/>";
  MarkupDocument document;
  ASSERT_TRUE(document.LoadFromString(text));
  MarkupNode root = document.GetRoot();
  ASSERT_EQ(root.GetAttributeCount(), ui::kMaxMarkupAttributes);
  EXPECT_STREQ(root.GetAttributeName(63), L"n63");
  EXPECT_STREQ(root.GetAttributeValue(63), L"63");
  std::wstring value;
  EXPECT_FALSE(root.GetAttributeValue(L"n64", &value));
  EXPECT_TRUE(root.GetAttributeValue(L"n0", &value));
  EXPECT_EQ(value, L"0");
}

TEST(MarkupDocumentTest, NestingIsBounded) {
  std::wstring deep;
  for (int i = 0; i < 100000; ++i) deep += L"<a>";
  MarkupDocument document;
  EXPECT_FALSE(document.LoadFromString(deep));
  EXPECT_EQ(document.GetErrorMessage(), L"Elements nested too deep");

  std::wstring allowed;
  for (int i = 0; i <= ui::kMaxMarkupDepth; ++i) allowed += L"<a>";
  for (int i = 0; i <= ui::kMaxMarkupDepth; ++i) allowed += L"</a>";
  EXPECT_TRUE(document.LoadFromString(allowed));
}

class MarkupFileTest : public testing::Test {
 protected:
  void TearDown() override { ui::GlobalManager::resourcePath.clear(); }

  // The reader's error after loading `bytes` from a file; empty when it loads.
  std::wstring LoadBytes(const std::string& bytes) {
    const std::wstring path = dir_.Child(L"layout.xml");
    test_support::WriteFileBytes(path, bytes);
    MarkupDocument document;
    if (document.LoadFromFile(path)) return std::wstring();
    EXPECT_EQ(document.GetErrorLocation(), L"");
    return document.GetErrorMessage();
  }

  test_support::ScratchDir dir_;
};

TEST_F(MarkupFileTest, SizeLimitsAndFileErrors) {
  const std::string open = "<a>";
  const std::string close = "</a>";
  std::string exact(ui::kMaxMarkupFileSize, ' ');
  exact.replace(0, open.size(), open);
  exact.replace(exact.size() - close.size(), close.size(), close);
  EXPECT_EQ(LoadBytes(exact), L"");
  EXPECT_EQ(LoadBytes(exact + " "), L"File too large");
  EXPECT_EQ(LoadBytes(""), L"File is empty");

  MarkupDocument document;
  EXPECT_FALSE(document.LoadFromFile(dir_.Child(L"missing.xml")));
  EXPECT_EQ(document.GetErrorMessage(), L"Error opening file");
}

TEST_F(MarkupFileTest, ReadsUtf8WithOrWithoutAByteOrderMarkUnderTheResourcePath) {
  test_support::WriteFileBytes(dir_.Child(L"skin\\bom.xml"),
                               "\xEF\xBB\xBF<a t=\"\xE7\xA2\xBA\xE5\xAE\x9A\"/>");
  test_support::WriteFileBytes(dir_.Child(L"skin\\plain.xml"), "<b/>");
  ui::GlobalManager::resourcePath = dir_.path() + L"\\skin\\";
  MarkupDocument document;
  ASSERT_TRUE(document.LoadFromFile(L"bom.xml"));
  EXPECT_EQ(Describe(document.GetRoot()), L"a[t=\u78BA\u5B9A]");
  ASSERT_TRUE(document.LoadFromFile(L"plain.xml"));
  EXPECT_EQ(Describe(document.GetRoot()), L"b");
  // A failed load releases the document it held.
  EXPECT_FALSE(document.LoadFromString(L"<c"));
  EXPECT_FALSE(document.GetRoot().IsValid());
}

}  // namespace
