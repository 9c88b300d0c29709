#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <string>

// No document the launcher asks for comes near this; the version map of a
// large game is the biggest.
constexpr size_t kMaxDocumentBytes = 32 * 1024 * 1024;

// Whether a reply's announced size is capped: file ranges are held to their
// range by the transfer queue, every other reply to kMaxDocumentBytes.
enum class ReplyCap {
  None,
  Document,
};

// The one place the security options of an easy handle are set, for every
// request the launcher makes: the peer and its host name are verified
// against the system's certificate store, an HTTPS request is never
// redirected to plain HTTP, and a reply announced larger than the cap is
// refused before it is read. `url` is the address the handle asks for.
void ApplyTlsOptions(CURL* easy, const std::string& url, ReplyCap cap);
