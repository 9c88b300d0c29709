#pragma once

#include <cstdint>
#include <string>

#include "ui/control/label.h"
#include "ui/control/list_box.h"
#include "ui/control/list_container_element.h"
#include "ui/core/control.h"
#include "ui/core/events.h"

namespace MainComponents {

// The news lines of one category ("main/tab_page.xml"), a vertical list that
// keeps the most recently added lines.
class TabPage : public ui::ListBox {
 public:
  // A line of the page ("main/news_item.xml"): the title "news_content",
  // which opens the line's link when pressed, and the date "news_date".
  class NewsItem : public ui::ListContainerElement {
   public:
    // Finds the title and the date and lets the title open the link.
    void Bind();
    bool OnClick(ui::EventArgs* args);

    void set_link(const std::string& link) { link_ = link; }
    const std::string& link() const { return link_; }
    ui::LabelTemplate<ui::Control>* title_label() const { return title_label_; }
    ui::LabelTemplate<ui::Control>* date_label() const { return date_label_; }

   private:
    // Children of the line; null when the layout lacks them.
    ui::LabelTemplate<ui::Control>* title_label_ = nullptr;
    ui::LabelTemplate<ui::Control>* date_label_ = nullptr;
    std::string link_;
  };

  static constexpr int32_t kMaxNews = 4;

  TabPage();

  // Appends a line (texts in UTF-8; `link` a key of the context's links) and
  // drops the oldest lines beyond kMaxNews.
  void AddNews(const std::string& title, const std::string& date, const std::string& tooltip,
               const std::string& link);
};

}  // namespace MainComponents
