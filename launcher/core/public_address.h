#pragma once

#include <cstdint>
#include <optional>
#include <string>

class DownloadManager;

// The machine's public IPv4 address for the reports: asked of a plain-text
// service during launcher passes while the context has none, with the local
// host's first IPv4 address as the fallback.

// The service's address, fixed when the launcher is built.
std::string PublicAddressUrl();

// The address a reply body holds: its text with every white-space byte
// removed, when that is a dotted IPv4 address; nothing otherwise.
std::optional<std::string> ParsePublicAddressReply(const char* data, int32_t size);

// Four decimal numbers from 0 to 255 of one to three digits, joined by ".".
bool IsDottedIpv4Address(const std::string& text);

// The dotted text of the first IPv4 address of the local host name, or "".
std::string GetLocalAddress();

// The request's callback: stores the address (the reply's, else the local
// one) in the context and posts the launcher's start reports to the worker.
void OnPublicAddressReply(int32_t tag, int32_t result, const std::string& url, const char* data,
                          int32_t size, const std::string& message);

// On the worker thread, while the context has no address: asks `url` and
// handles the reply before returning. False when an address is already
// known (nothing is asked, no start report is sent).
bool RequestPublicAddress(DownloadManager* manager, int32_t tag,
                          const std::string& url = PublicAddressUrl());
