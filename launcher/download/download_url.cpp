#include "launcher/download/download_url.h"

namespace {

bool IsUnreserved(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

void AppendEscaped(unsigned char byte, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  out->push_back('%');
  out->push_back(kHex[byte >> 4]);
  out->push_back(kHex[byte & 0x0F]);
}

}  // namespace

std::string JoinUrl(const std::string& host, const std::string& path) {
  if (host.empty()) return path;
  if (host.back() == '/') return host + path;
  return host + "/" + path;
}

std::string EncodeUrlPath(const std::string& path) {
  std::string out;
  out.reserve(path.size());
  for (unsigned char byte : path) {
    if (IsUnreserved(byte) || byte == '/') {
      out.push_back(static_cast<char>(byte));
    } else {
      AppendEscaped(byte, &out);
    }
  }
  return out;
}

std::string EncodeQueryValue(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (unsigned char byte : value) {
    if (IsUnreserved(byte)) {
      out.push_back(static_cast<char>(byte));
    } else {
      AppendEscaped(byte, &out);
    }
  }
  return out;
}

std::string EncodeQueryText(const std::string& query) {
  std::string out;
  out.reserve(query.size());
  for (unsigned char byte : query) {
    if (byte <= 0x20 || byte >= 0x7F || byte == '#') {
      AppendEscaped(byte, &out);
    } else {
      out.push_back(static_cast<char>(byte));
    }
  }
  return out;
}

std::string EncodeRequestTarget(const std::string& target) {
  const size_t query_start = target.find('?');
  if (query_start == std::string::npos) return EncodeUrlPath(target);
  return EncodeUrlPath(target.substr(0, query_start)) + "?" +
         EncodeQueryText(target.substr(query_start + 1));
}
