#include "launcher/download/tls_options.h"

void ApplyTlsOptions(CURL* easy, const std::string& url, ReplyCap cap) {
  // Downloads become executables run as administrator: trust only what the
  // system's certificate store trusts.
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
  // Plain HTTP lets anyone on the way answer in the server's name.
  const bool secure = url.compare(0, 8, "https://") == 0;
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  // A reply that does not announce its size is cut by its receive function.
  const curl_off_t most =
      cap == ReplyCap::Document ? static_cast<curl_off_t>(kMaxDocumentBytes) : 0;
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, most);
}
