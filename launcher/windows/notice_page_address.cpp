#include "launcher/windows/notice_page_address.h"

std::string NoticePageAddress(const std::string& configured_url, const std::string& activity_addr,
                              const std::string& language) {
  if (!configured_url.empty()) return configured_url;
  if (activity_addr.empty()) return std::string();
  // The language joins the address's query, which goes before any fragment.
  const size_t fragment = activity_addr.find('#');
  std::string address = activity_addr.substr(0, fragment);
  const size_t query = address.find('?');
  if (query == std::string::npos) {
    address += '?';
  } else if (query + 1 != address.size() && address.back() != '&') {
    address += '&';
  }
  address += "lang=" + (language.empty() ? std::string("en") : language);
  if (fragment != std::string::npos) address += activity_addr.substr(fragment);
  return address;
}
