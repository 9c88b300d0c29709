#include "tests/launcher/download/download_test_env.h"

#include <wincrypt.h>

#include <curl/curl.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "base/json_util.h"
#include "base/md5.h"
#include "launcher/download/curl_handle.h"

namespace download_test {
namespace {

std::string EnvironmentValue(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, value.data(), 32768);
  if (length == 0 || length >= 32768) return std::string();
  value.resize(length);
  std::string utf8(value.size() * 4, '\0');
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(value.size()), utf8.data(),
                          static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(size > 0 ? size : 0);
  return utf8;
}

// Adds the run's CA to the machine's root store; adding it again is a no-op.
void TrustTestCa(const std::string& der_path) {
  const std::string der = test_support::ReadFileBytes(Wide(der_path));
  ASSERT_FALSE(der.empty()) << "no test CA at " << der_path;
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
  ASSERT_NE(store, nullptr);
  const BOOL added = CertAddEncodedCertificateToStore(
      store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
      static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  ASSERT_TRUE(added) << "cannot add the test CA: " << GetLastError();
}

class ServersEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    curl_global_init(CURL_GLOBAL_ALL);
    const std::string ca = EnvironmentValue(L"LAUNCHER_TEST_CA_DER");
    ASSERT_FALSE(ca.empty()) << "run through tests/support/download_test_servers.py";
    TrustTestCa(ca);
  }
};

const testing::Environment* const kServersEnvironment =
    testing::AddGlobalTestEnvironment(new ServersEnvironment);

size_t AppendReply(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

const Servers& GetServers() {
  static const Servers servers = [] {
    Servers found;
    found.contentUrl = EnvironmentValue(L"LAUNCHER_TEST_CONTENT_URL");
    found.contentHttpUrl = EnvironmentValue(L"LAUNCHER_TEST_CONTENT_HTTP_URL");
    found.faultUrl = EnvironmentValue(L"LAUNCHER_TEST_FAULT_URL");
    found.untrustedUrl = EnvironmentValue(L"LAUNCHER_TEST_UNTRUSTED_URL");
    found.deadUrl = EnvironmentValue(L"LAUNCHER_TEST_DEAD_URL");
    found.contentRoot = Wide(EnvironmentValue(L"LAUNCHER_TEST_CONTENT_ROOT"));
    found.contentLog = Wide(EnvironmentValue(L"LAUNCHER_TEST_CONTENT_LOG"));
    return found;
  }();
  return servers;
}

Reply HttpsRequest(const std::string& url, const std::string& post_body) {
  Reply reply;
  CurlEasyHandle easy(curl_easy_init());
  curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy.get(), CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &AppendReply);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &reply.body);
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, 30L);
  if (!post_body.empty()) {
    curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(post_body.size()));
    curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, post_body.c_str());
  }
  const CURLcode result = curl_easy_perform(easy.get());
  EXPECT_EQ(result, CURLE_OK) << url << ": " << curl_easy_strerror(result);
  curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &reply.status);
  return reply;
}

void ResetFaultHost() {
  EXPECT_EQ(HttpsRequest(GetServers().faultUrl + "/_control/reset", "{}").status, 200);
}

void SetFaultRule(const Json::Value& rule) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  EXPECT_EQ(HttpsRequest(GetServers().faultUrl + "/_control/rule", Json::writeString(builder, rule))
                .status,
            200);
}

int FaultConnections() {
  return std::stoi(HttpsRequest(GetServers().faultUrl + "/_control/connections", "").body);
}

Json::Value FaultLog() {
  const Reply reply = HttpsRequest(GetServers().faultUrl + "/_control/log", "");
  Json::Value log;
  std::string error;
  EXPECT_TRUE(ParseJson(reply.body, &log, &error)) << error;
  return log;
}

std::vector<Json::Value> FaultRequests(const std::string& path) {
  std::vector<Json::Value> matching;
  for (const Json::Value& entry : FaultLog()) {
    if (entry["path"].asString() == path) matching.push_back(entry);
  }
  return matching;
}

std::string SeededBytes(int64_t size, uint64_t seed) {
  std::string bytes(static_cast<size_t>(size), '\0');
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  for (int64_t i = 0; i < size; i += 8) {
    state += 0x9E3779B97F4A7C15ull;
    uint64_t mixed = state;
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ull;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBull;
    mixed ^= mixed >> 31;
    for (int64_t k = 0; k < 8 && i + k < size; ++k) {
      bytes[static_cast<size_t>(i + k)] = static_cast<char>(mixed >> (8 * k));
    }
  }
  return bytes;
}

std::string MakeContent(const std::string& relative_path, int64_t size, uint64_t seed) {
  const std::string bytes = SeededBytes(size, seed);
  std::wstring path = GetServers().contentRoot + L"\\" + Wide(relative_path);
  for (wchar_t& character : path) {
    if (character == L'/') character = L'\\';
  }
  test_support::WriteFileBytes(path, bytes);
  return Md5OfBuffer(bytes.data(), bytes.size());
}

std::vector<std::string> ContentLogLines(const std::string& path_fragment) {
  std::vector<std::string> lines;
  std::istringstream log(test_support::ReadFileBytes(GetServers().contentLog));
  std::string line;
  while (std::getline(log, line)) {
    if (line.find(path_fragment) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> AwaitContentLogLines(const std::string& path_fragment, size_t count) {
  const ULONGLONG deadline = GetTickCount64() + 60000;
  std::vector<std::string> lines = ContentLogLines(path_fragment);
  while (lines.size() < count && GetTickCount64() < deadline) {
    Sleep(50);
    lines = ContentLogLines(path_fragment);
  }
  return lines;
}

ManagerFixture::ManagerFixture(const qbase::Clock& clock) : manager(clock) {
  ResetFaultHost();
  manager.SetDelegate(&events);
  manager.Init();
}

ManagerFixture::~ManagerFixture() { manager.Shutdown(); }

bool ManagerFixture::PollUntil(const std::function<bool()>& done, int seconds) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  while (!done()) {
    if (GetTickCount64() > deadline) return false;
    manager.Poll();
    Sleep(1);
  }
  return true;
}

void ManagerFixture::Queue(const std::string& url, const std::string& path, const std::string& md5,
                           int64_t size, int32_t tag) {
  manager.DownloadFile(
      url, path, md5, size,
      [this](int32_t done_tag, int32_t code, const std::string& done_url,
             const std::string& message) {
        results.push_back({done_tag, code, done_url, message});
      },
      nullptr, tag);
}

std::string ManagerFixture::LocalPath(const std::string& name) const {
  return scratch.PathUtf8() + "\\update\\" + name;
}

std::string ManagerFixture::TraceText() const {
  return test_support::ReadFileBytes(scratch.Child(L"save\\dltrace.log"));
}

}  // namespace download_test
