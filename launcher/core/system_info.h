#pragma once

#include <windows.h>
#include <iphlpapi.h>

#include <cstdint>
#include <string>

// Facts about the machine for the reports and the directory requests. Nothing
// here fails: an unreadable fact gives a fixed fallback text.

// The facts the device id is made of; the default reads this machine.
class MachineFacts {
 public:
  virtual ~MachineFacts() = default;
  // GetComputerNameA; "" when it fails.
  virtual std::string ComputerName() const;
  // The sum of the 16-bit halves of the CPUID leaf 0 registers.
  virtual uint32_t ProcessorSum() const;
  // GetAdapterAddressChecksum.
  virtual bool AdapterChecksum(uint32_t* value) const;
};

// The id is computed from the facts on the first Get and kept afterwards.
class DeviceIdCache {
 public:
  explicit DeviceIdCache(const MachineFacts& facts) : facts_(facts) {}
  std::string Get();

 private:
  const MachineFacts& facts_;
  bool computed_ = false;
  std::string id_;
};

// Computer name, processor sum and adapter value (when known) as decimal texts
// without separators, cut to 259 bytes.
std::string ComposeDeviceId(const std::string& computer_name, uint32_t processor_sum,
                            const uint32_t* adapter_checksum);
// The process's device id, computed once from this machine.
std::string GetDeviceId();

// False when the adapter list cannot be read.
bool GetAdapterAddressChecksum(uint32_t* value);
// The first two adapters of a list: (smaller sum << 16) | larger sum.
uint32_t CombineAdapterSums(const IP_ADAPTER_INFO* first_adapter);
// Sum modulo 65536 of the address's little-endian 16-bit words (an odd last
// byte on its own).
uint16_t SumAdapterAddress(const IP_ADAPTER_INFO& adapter);

// "YYYY-MM-DD" and "hh:mm:ss" of one reading of the current UTC time.
bool GetUtcDateTime(std::string* date, std::string* time);

// Values under HKEY_LOCAL_MACHINE (64-bit view), read with the ANSI functions.
// A text longer than 259 bytes reads as "".
std::string RegReadString(const std::wstring& key_path, const std::string& value_name);
std::string RegReadDwordAsString(const std::wstring& key_path, const std::string& value_name);

// "major.minor.build", for example 10.0.19045.
std::string GetOsVersionString();
std::string GetCpuName();
