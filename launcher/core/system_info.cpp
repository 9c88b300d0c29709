#include "launcher/core/system_info.h"

#include <cpuid.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "launcher/core/registry_key.h"

namespace {

constexpr size_t kDeviceIdLimit = 259;
constexpr DWORD kComputerNameBuffer = 1024;
constexpr DWORD kAdapterBuffer = 22528;  // room for 32 adapter records
constexpr DWORD kRegistryTextBuffer = 260;

uint32_t HalvesSum(uint32_t word) { return (word & 0xFFFF) + (word >> 16); }

}  // namespace

std::string MachineFacts::ComputerName() const {
  std::vector<char> buffer(kComputerNameBuffer, '\0');
  DWORD size = kComputerNameBuffer;
  if (!GetComputerNameA(buffer.data(), &size)) return std::string();
  return std::string(buffer.data());
}

uint32_t MachineFacts::ProcessorSum() const {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  __cpuid_count(0, 0, eax, ebx, ecx, edx);
  return HalvesSum(eax) + HalvesSum(ebx) + HalvesSum(ecx) + HalvesSum(edx);
}

bool MachineFacts::AdapterChecksum(uint32_t* value) const {
  return GetAdapterAddressChecksum(value);
}

std::string DeviceIdCache::Get() {
  if (!computed_) {
    uint32_t adapters = 0;
    const bool have_adapters = facts_.AdapterChecksum(&adapters);
    id_ = ComposeDeviceId(facts_.ComputerName(), facts_.ProcessorSum(),
                          have_adapters ? &adapters : nullptr);
    computed_ = true;
  }
  return id_;
}

std::string ComposeDeviceId(const std::string& computer_name, uint32_t processor_sum,
                            const uint32_t* adapter_checksum) {
  std::string id = computer_name + std::to_string(processor_sum);
  if (adapter_checksum != nullptr) id += std::to_string(*adapter_checksum);
  if (id.size() > kDeviceIdLimit) id.resize(kDeviceIdLimit);
  return id;
}

std::string GetDeviceId() {
  static const MachineFacts facts;
  static DeviceIdCache cache(facts);
  return cache.Get();
}

bool GetAdapterAddressChecksum(uint32_t* value) {
  // DWORD-aligned storage for the adapter records.
  std::vector<DWORD> buffer(kAdapterBuffer / sizeof(DWORD));
  ULONG size = kAdapterBuffer;
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(adapters, &size) != ERROR_SUCCESS) return false;
  *value = CombineAdapterSums(adapters);
  return true;
}

uint32_t CombineAdapterSums(const IP_ADAPTER_INFO* first_adapter) {
  const uint32_t a = SumAdapterAddress(*first_adapter);
  const uint32_t b = first_adapter->Next != nullptr ? SumAdapterAddress(*first_adapter->Next) : 0;
  return (std::min(a, b) << 16) | std::max(a, b);
}

uint16_t SumAdapterAddress(const IP_ADAPTER_INFO& adapter) {
  const UINT length = std::min<UINT>(adapter.AddressLength, 8);
  uint32_t sum = 0;
  for (UINT i = 0; i + 1 < length; i += 2) {
    sum += adapter.Address[i] + 256u * adapter.Address[i + 1];
  }
  if (length % 2 == 1) sum += adapter.Address[length - 1];
  return static_cast<uint16_t>(sum & 0xFFFF);
}

bool GetUtcDateTime(std::string* date, std::string* time) {
  SYSTEMTIME now = {};
  GetSystemTime(&now);
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%4d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
  *date = buffer;
  std::snprintf(buffer, sizeof(buffer), "%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
  *time = buffer;
  return true;
}

std::string RegReadString(const std::wstring& key_path, const std::string& value_name) {
  RegistryKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, key_path, KEY_READ | KEY_WOW64_64KEY)) return std::string();
  std::vector<char> buffer(kRegistryTextBuffer, '\0');
  DWORD size = kRegistryTextBuffer;
  if (RegQueryValueExA(key.get(), value_name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
    return std::string();
  }
  // The stored text may lack its terminator when it fills the buffer exactly.
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string RegReadDwordAsString(const std::wstring& key_path, const std::string& value_name) {
  RegistryKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, key_path, KEY_READ | KEY_WOW64_64KEY)) return "0";
  DWORD number = 0;
  DWORD size = sizeof(number);
  if (RegQueryValueExA(key.get(), value_name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS) {
    return "0";
  }
  return std::to_string(number);
}

std::string GetOsVersionString() {
  const std::wstring key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
  return RegReadDwordAsString(key, "CurrentMajorVersionNumber") + "." +
         RegReadDwordAsString(key, "CurrentMinorVersionNumber") + "." +
         RegReadString(key, "CurrentBuild");
}

std::string GetCpuName() {
  return RegReadString(L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\",
                       "ProcessorNameString");
}
