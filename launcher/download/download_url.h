#pragma once

#include <string>

// Joins a host prefix and a relative path with at most one inserted "/": the
// path alone for an empty host, host + path when the host ends with "/",
// else host + "/" + path. The path is not inspected.
std::string JoinUrl(const std::string& host, const std::string& path);

// Percent-encodes every byte of a relative file path except the unreserved
// characters and "/", so blanks, "#", "?", "%" and non-ASCII names reach the
// server as the name.
std::string EncodeUrlPath(const std::string& path);

// Percent-encodes one query value (everything but the unreserved characters).
std::string EncodeQueryValue(const std::string& value);

// A query built by a caller from plain pairs: its "=" and "&" separators and
// printable characters stay; blanks, controls, "#" and non-ASCII bytes, which
// cannot stand in a URL, are encoded.
std::string EncodeQueryText(const std::string& query);

// A request target built by a caller: the path before the first "?" is
// encoded as a file path; the query after it keeps its "=" and "&" separators
// and only bytes that cannot stand in a URL (blanks, controls, "#", non-ASCII)
// are encoded.
std::string EncodeRequestTarget(const std::string& target);
