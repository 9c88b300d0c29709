#include "launcher/core/system_info.h"

#include <windows.h>

#include <cstring>
#include <regex>
#include <string>

#include <gtest/gtest.h>

namespace {

IP_ADAPTER_INFO Adapter(std::initializer_list<BYTE> address) {
  IP_ADAPTER_INFO adapter;
  std::memset(&adapter, 0, sizeof(adapter));
  adapter.AddressLength = static_cast<UINT>(address.size());
  UINT i = 0;
  for (BYTE byte : address) adapter.Address[i++] = byte;
  return adapter;
}

TEST(SystemInfoTest, SumAdapterAddress) {
  struct Case {
    IP_ADAPTER_INFO adapter;
    uint16_t sum;
  };
  const Case cases[] = {
      {Adapter({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}), 0x9966},
      {Adapter({}), 0},
      {Adapter({0x7F}), 0x7F},
      {Adapter({0x01, 0x02, 0x03}), 0x0201 + 0x03},
      {Adapter({0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00}), 0x0000},  // modulo 65536
  };
  for (const Case& test : cases) {
    EXPECT_EQ(SumAdapterAddress(test.adapter), test.sum) << test.adapter.AddressLength;
  }
  IP_ADAPTER_INFO too_long = Adapter({1, 0, 1, 0, 1, 0, 1, 0});
  too_long.AddressLength = 200;  // only the first 8 bytes count
  EXPECT_EQ(SumAdapterAddress(too_long), 4);
}

TEST(SystemInfoTest, CombineAdapterSums) {
  IP_ADAPTER_INFO first = Adapter({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
  EXPECT_EQ(CombineAdapterSums(&first), 39270u);

  IP_ADAPTER_INFO second = Adapter({3});
  IP_ADAPTER_INFO third = Adapter({9});
  first = Adapter({5});
  first.Next = &second;
  second.Next = &third;  // only the first two count
  EXPECT_EQ(CombineAdapterSums(&first), 196613u);
}

class FakeFacts : public MachineFacts {
 public:
  std::string ComputerName() const override { return name; }
  uint32_t ProcessorSum() const override { return processor; }
  bool AdapterChecksum(uint32_t* value) const override {
    *value = adapters;
    return haveAdapters;
  }

  std::string name = "HOST";
  uint32_t processor = 123;
  bool haveAdapters = true;
  uint32_t adapters = 39270;
};

TEST(SystemInfoTest, DeviceIdIsComputedOnce) {
  FakeFacts facts;
  DeviceIdCache cache(facts);
  EXPECT_EQ(cache.Get(), "HOST12339270");
  facts.adapters = 5;  // an adapter added later changes nothing
  facts.name = "OTHER";
  EXPECT_EQ(cache.Get(), "HOST12339270");

  facts.haveAdapters = false;
  DeviceIdCache without_adapters(facts);
  EXPECT_EQ(without_adapters.Get(), "OTHER123");
}

TEST(SystemInfoTest, ComposeDeviceIdIsCutTo259Bytes) {
  const uint32_t adapters = 7;
  EXPECT_EQ(ComposeDeviceId("", 0, nullptr), "0");
  EXPECT_EQ(ComposeDeviceId("N", 4294967295u, &adapters), "N42949672957");
  EXPECT_EQ(ComposeDeviceId(std::string(300, 'x'), 1, &adapters), std::string(259, 'x'));
}

TEST(SystemInfoTest, DeviceIdOfThisMachine) {
  const std::string id = GetDeviceId();
  char name[1024] = {};
  DWORD size = sizeof(name);
  ASSERT_TRUE(GetComputerNameA(name, &size));
  EXPECT_EQ(id.rfind(name, 0), 0u) << id;
  EXPECT_GT(id.size(), std::strlen(name));
  EXPECT_EQ(GetDeviceId(), id);
}

TEST(SystemInfoTest, UtcDateAndTime) {
  std::string date, time;
  SYSTEMTIME before = {};
  GetSystemTime(&before);
  ASSERT_TRUE(GetUtcDateTime(&date, &time));
  EXPECT_TRUE(std::regex_match(date, std::regex(R"(\d{4}-\d\d-\d\d)"))) << date;
  EXPECT_TRUE(std::regex_match(time, std::regex(R"(\d\d:\d\d:\d\d)"))) << time;
  EXPECT_EQ(std::stoi(date.substr(0, 4)), before.wYear);
}

// A key of its own under the local machine hive of the test's Wine prefix.
class RegistryTest : public ::testing::Test {
 protected:
  static constexpr wchar_t kKey[] = L"SOFTWARE\\LauncherSystemInfoTest";

  void SetUp() override {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    key_ = key;
  }
  void TearDown() override {
    RegCloseKey(key_);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, 0);
  }

  void SetString(const char* name, const std::string& text) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
  }

  HKEY key_ = nullptr;
};

TEST_F(RegistryTest, RegReadString) {
  SetString("fits", std::string(259, 'a'));
  SetString("too_long", std::string(260, 'b'));
  SetString("blanks", "  CPU  ");
  EXPECT_EQ(RegReadString(kKey, "fits"), std::string(259, 'a'));
  EXPECT_EQ(RegReadString(kKey, "too_long"), "");
  EXPECT_EQ(RegReadString(kKey, "blanks"), "  CPU  ");
  EXPECT_EQ(RegReadString(kKey, "missing"), "");
  EXPECT_EQ(RegReadString(L"SOFTWARE\\NoSuchLauncherKey", "fits"), "");
}

TEST_F(RegistryTest, RegReadDwordAsString) {
  const DWORD large = 4000000000u;
  ASSERT_EQ(RegSetValueExA(key_, "number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&large),
                           sizeof(large)),
            ERROR_SUCCESS);
  EXPECT_EQ(RegReadDwordAsString(kKey, "number"), "4000000000");
  EXPECT_EQ(RegReadDwordAsString(kKey, "missing"), "0");
  SetString("text", "a longer text than four bytes");
  EXPECT_EQ(RegReadDwordAsString(kKey, "text"), "0");
}

TEST(SystemInfoTest, SystemTextsFromTheRegistry) {
  const std::string version = GetOsVersionString();
  EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+)"))) << version;
  char name[260] = {};
  DWORD size = sizeof(name);
  ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                         "ProcessorNameString", RRF_RT_REG_SZ, nullptr, name, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(GetCpuName(), name);
  EXPECT_FALSE(GetCpuName().empty());
}

}  // namespace
