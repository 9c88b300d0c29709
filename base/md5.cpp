#include "base/md5.h"

#include <memory>

#include "base/string_util.h"

#include <cstring>

namespace {

constexpr uint8_t kPadding[64] = {0x80};

inline uint32_t LoadLittleEndian(const uint8_t* bytes) {
  uint32_t word;
  std::memcpy(&word, bytes, sizeof(word));  // x86-64 is little-endian
  return word;
}

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// The round functions of RFC 1321, in forms that need fewer operations.
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

#define MD5_STEP(f, a, b, c, d, x, s, ac) \
  (a) += f((b), (c), (d)) + (x) + (ac);   \
  (a) = RotateLeft((a), (s)) + (b)
// G(b, c, d) = (b & d) | (c & ~d): the two halves never share a bit, so they
// are added separately, which shortens the dependency chain of each step.
#define MD5_STEP_G(a, b, c, d, x, s, ac)          \
  (a) += (x) + (ac) + ((d) & (b)) + (~(d) & (c)); \
  (a) = RotateLeft((a), (s)) + (b)

}  // namespace

Md5::Md5()
    : state{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u},
      bitCount{0, 0},
      buffer{},
      digest{},
      finalised(false) {}

void Md5::Update(const void* bytes, size_t count) {
  if (count == 0) return;
  const uint8_t* input = static_cast<const uint8_t*>(bytes);
  size_t index = (bitCount[0] >> 3) & 0x3F;
  const uint64_t bits = (static_cast<uint64_t>(bitCount[1]) << 32 | bitCount[0]) +
                        (static_cast<uint64_t>(count) << 3);
  bitCount[0] = static_cast<uint32_t>(bits);
  bitCount[1] = static_cast<uint32_t>(bits >> 32);

  const size_t room = 64 - index;
  size_t i = 0;
  if (count >= room) {
    std::memcpy(&buffer[index], input, room);
    Transform(buffer);
    // Whole blocks straight from the caller's memory, without a copy.
    for (i = room; i + 63 < count; i += 64) Transform(&input[i]);
    index = 0;
  }
  std::memcpy(&buffer[index], &input[i], count - i);
}

void Md5::Final() {
  uint8_t length[8];
  std::memcpy(length, bitCount, sizeof(length));  // low word first, little-endian
  const size_t index = (bitCount[0] >> 3) & 0x3F;
  const size_t pad = index < 56 ? 56 - index : 120 - index;
  Update(kPadding, pad);
  Update(length, sizeof(length));
  std::memcpy(digest, state, sizeof(digest));
}

void Md5::Transform(const uint8_t block[64]) {
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(block + 4 * i);

  MD5_STEP(F, a, b, c, d, x[0], 7, 0xd76aa478);
  MD5_STEP(F, d, a, b, c, x[1], 12, 0xe8c7b756);
  MD5_STEP(F, c, d, a, b, x[2], 17, 0x242070db);
  MD5_STEP(F, b, c, d, a, x[3], 22, 0xc1bdceee);
  MD5_STEP(F, a, b, c, d, x[4], 7, 0xf57c0faf);
  MD5_STEP(F, d, a, b, c, x[5], 12, 0x4787c62a);
  MD5_STEP(F, c, d, a, b, x[6], 17, 0xa8304613);
  MD5_STEP(F, b, c, d, a, x[7], 22, 0xfd469501);
  MD5_STEP(F, a, b, c, d, x[8], 7, 0x698098d8);
  MD5_STEP(F, d, a, b, c, x[9], 12, 0x8b44f7af);
  MD5_STEP(F, c, d, a, b, x[10], 17, 0xffff5bb1);
  MD5_STEP(F, b, c, d, a, x[11], 22, 0x895cd7be);
  MD5_STEP(F, a, b, c, d, x[12], 7, 0x6b901122);
  MD5_STEP(F, d, a, b, c, x[13], 12, 0xfd987193);
  MD5_STEP(F, c, d, a, b, x[14], 17, 0xa679438e);
  MD5_STEP(F, b, c, d, a, x[15], 22, 0x49b40821);

  MD5_STEP_G(a, b, c, d, x[1], 5, 0xf61e2562);
  MD5_STEP_G(d, a, b, c, x[6], 9, 0xc040b340);
  MD5_STEP_G(c, d, a, b, x[11], 14, 0x265e5a51);
  MD5_STEP_G(b, c, d, a, x[0], 20, 0xe9b6c7aa);
  MD5_STEP_G(a, b, c, d, x[5], 5, 0xd62f105d);
  MD5_STEP_G(d, a, b, c, x[10], 9, 0x02441453);
  MD5_STEP_G(c, d, a, b, x[15], 14, 0xd8a1e681);
  MD5_STEP_G(b, c, d, a, x[4], 20, 0xe7d3fbc8);
  MD5_STEP_G(a, b, c, d, x[9], 5, 0x21e1cde6);
  MD5_STEP_G(d, a, b, c, x[14], 9, 0xc33707d6);
  MD5_STEP_G(c, d, a, b, x[3], 14, 0xf4d50d87);
  MD5_STEP_G(b, c, d, a, x[8], 20, 0x455a14ed);
  MD5_STEP_G(a, b, c, d, x[13], 5, 0xa9e3e905);
  MD5_STEP_G(d, a, b, c, x[2], 9, 0xfcefa3f8);
  MD5_STEP_G(c, d, a, b, x[7], 14, 0x676f02d9);
  MD5_STEP_G(b, c, d, a, x[12], 20, 0x8d2a4c8a);

  MD5_STEP(H, a, b, c, d, x[5], 4, 0xfffa3942);
  MD5_STEP(H, d, a, b, c, x[8], 11, 0x8771f681);
  MD5_STEP(H, c, d, a, b, x[11], 16, 0x6d9d6122);
  MD5_STEP(H, b, c, d, a, x[14], 23, 0xfde5380c);
  MD5_STEP(H, a, b, c, d, x[1], 4, 0xa4beea44);
  MD5_STEP(H, d, a, b, c, x[4], 11, 0x4bdecfa9);
  MD5_STEP(H, c, d, a, b, x[7], 16, 0xf6bb4b60);
  MD5_STEP(H, b, c, d, a, x[10], 23, 0xbebfbc70);
  MD5_STEP(H, a, b, c, d, x[13], 4, 0x289b7ec6);
  MD5_STEP(H, d, a, b, c, x[0], 11, 0xeaa127fa);
  MD5_STEP(H, c, d, a, b, x[3], 16, 0xd4ef3085);
  MD5_STEP(H, b, c, d, a, x[6], 23, 0x04881d05);
  MD5_STEP(H, a, b, c, d, x[9], 4, 0xd9d4d039);
  MD5_STEP(H, d, a, b, c, x[12], 11, 0xe6db99e5);
  MD5_STEP(H, c, d, a, b, x[15], 16, 0x1fa27cf8);
  MD5_STEP(H, b, c, d, a, x[2], 23, 0xc4ac5665);

  MD5_STEP(I, a, b, c, d, x[0], 6, 0xf4292244);
  MD5_STEP(I, d, a, b, c, x[7], 10, 0x432aff97);
  MD5_STEP(I, c, d, a, b, x[14], 15, 0xab9423a7);
  MD5_STEP(I, b, c, d, a, x[5], 21, 0xfc93a039);
  MD5_STEP(I, a, b, c, d, x[12], 6, 0x655b59c3);
  MD5_STEP(I, d, a, b, c, x[3], 10, 0x8f0ccc92);
  MD5_STEP(I, c, d, a, b, x[10], 15, 0xffeff47d);
  MD5_STEP(I, b, c, d, a, x[1], 21, 0x85845dd1);
  MD5_STEP(I, a, b, c, d, x[8], 6, 0x6fa87e4f);
  MD5_STEP(I, d, a, b, c, x[15], 10, 0xfe2ce6e0);
  MD5_STEP(I, c, d, a, b, x[6], 15, 0xa3014314);
  MD5_STEP(I, b, c, d, a, x[13], 21, 0x4e0811a1);
  MD5_STEP(I, a, b, c, d, x[4], 6, 0xf7537e82);
  MD5_STEP(I, d, a, b, c, x[11], 10, 0xbd3af235);
  MD5_STEP(I, c, d, a, b, x[2], 15, 0x2ad7d2bb);
  MD5_STEP(I, b, c, d, a, x[9], 21, 0xeb86d391);

  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

std::string Md5::HexDigest() const {
  static const char kHexDigits[] = "0123456789abcdef";
  std::string text(32, '0');
  for (int i = 0; i < 16; ++i) {
    text[2 * i] = kHexDigits[digest[i] >> 4];
    text[2 * i + 1] = kHexDigits[digest[i] & 0x0F];
  }
  return text;
}

std::string Md5OfBuffer(const void* bytes, size_t count) {
  Md5 md5;
  md5.Update(bytes, count);
  md5.finalised = true;
  md5.Final();
  return md5.HexDigest();
}

namespace {

// Hashing reads large blocks: few calls per file, bounded memory.
constexpr size_t kMd5ReadBlock = 1u << 20;

}  // namespace

bool ComputeStreamMd5(std::ifstream& stream, std::string* md5, int64_t* byte_count) {
  Md5 digest;
  int64_t count = 0;
  std::unique_ptr<char[]> block(new char[kMd5ReadBlock]);
  while (stream) {
    stream.read(block.get(), static_cast<std::streamsize>(kMd5ReadBlock));
    const std::streamsize got = stream.gcount();
    if (got <= 0) break;
    digest.Update(block.get(), static_cast<size_t>(got));
    count += got;
  }
  stream.close();
  digest.finalised = true;
  digest.Final();
  *md5 = digest.HexDigest();
  *byte_count = count;
  return true;
}

bool VerifyFileMd5(const std::string& path, const std::string& expected, std::string* md5,
                   int64_t* byte_count) {
  md5->clear();
  *byte_count = 0;
  // Opened through the wide name so the ANSI code page, not the C runtime's
  // idea of it, decides how the narrow path is read.
  std::wstring wide_path;
  qbase::MultiByteToWide(path, qbase::kCodePageAnsi, &wide_path);
  if (wide_path.empty()) return false;
  std::ifstream stream(wide_path.c_str(), std::ios::in | std::ios::binary);
  if (!stream.is_open()) return false;
  ComputeStreamMd5(stream, md5, byte_count);
  return *md5 == expected;
}
