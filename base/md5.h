#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

// The MD5 message digest (RFC 1321). Files are identified by its text form:
// 32 lower-case hexadecimal digits.
struct Md5 {
  uint32_t state[4];
  uint32_t bitCount[2];  // low word first
  uint8_t buffer[64];
  uint8_t digest[16];
  bool finalised;

  Md5();  // ready for the first Update
  void Update(const void* bytes, size_t count);
  void Final();
  void Transform(const uint8_t block[64]);
  std::string HexDigest() const;  // of `digest`, after Final
};

// MD5 text of a buffer.
std::string Md5OfBuffer(const void* bytes, size_t count);

// MD5 of a binary stream read to its end in large blocks (bounded memory);
// closes the stream. The count is 64-bit: files may exceed 2 GiB.
bool ComputeStreamMd5(std::ifstream& stream, std::string* md5, int64_t* byte_count);
// True when the file's MD5 text equals `expected` exactly.
bool VerifyFileMd5(const std::string& path, const std::string& expected, std::string* md5,
                   int64_t* byte_count);
