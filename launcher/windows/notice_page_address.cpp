#include "launcher/windows/notice_page_address.h"

std::string NoticePageAddress(const std::string& configured_url, const std::string& activity_addr,
                              const std::string& language) {
  if (!configured_url.empty()) return configured_url;
  if (activity_addr.empty()) return std::string();
  return activity_addr + "&lang=" + (language.empty() ? std::string("en") : language);
}
