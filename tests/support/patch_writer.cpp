#include "tests/support/patch_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace test_support {

namespace {

constexpr size_t kBlock = 16;
constexpr size_t kIndexStride = 8;
// A match runs on over changed bytes while this many of the next kLookAhead
// bytes still agree.
constexpr size_t kLookAhead = 8;
constexpr size_t kAgreeing = 5;

uint64_t HashBlock(const char* bytes) {
  uint64_t hash = 1469598103934665603ull;
  for (size_t i = 0; i < kBlock; ++i) {
    hash = (hash ^ static_cast<uint8_t>(bytes[i])) * 1099511628211ull;
  }
  return hash;
}

struct Match {
  size_t newStart;
  size_t oldStart;
  size_t length;
};

size_t Agreeing(const std::string& old_bytes, size_t old_at, const std::string& new_bytes,
                size_t new_at) {
  size_t agreeing = 0;
  for (size_t i = 0;
       i < kLookAhead && old_at + i < old_bytes.size() && new_at + i < new_bytes.size(); ++i) {
    if (old_bytes[old_at + i] == new_bytes[new_at + i]) ++agreeing;
  }
  return agreeing;
}

std::vector<Match> FindMatches(const std::string& old_bytes, const std::string& new_bytes) {
  std::unordered_map<uint64_t, size_t> index;
  for (size_t at = 0; at + kBlock <= old_bytes.size(); at += kIndexStride) {
    index.emplace(HashBlock(old_bytes.data() + at), at);
  }
  std::vector<Match> matches;
  size_t unmatched_from = 0;
  size_t at = 0;
  while (at + kBlock <= new_bytes.size()) {
    const auto found = index.find(HashBlock(new_bytes.data() + at));
    if (found == index.end() ||
        std::memcmp(old_bytes.data() + found->second, new_bytes.data() + at, kBlock) != 0) {
      ++at;
      continue;
    }
    Match match{at, found->second, kBlock};
    while (match.newStart > unmatched_from && match.oldStart > 0 &&
           new_bytes[match.newStart - 1] == old_bytes[match.oldStart - 1]) {
      --match.newStart;
      --match.oldStart;
      ++match.length;
    }
    for (;;) {
      const size_t old_at = match.oldStart + match.length;
      const size_t new_at = match.newStart + match.length;
      if (old_at >= old_bytes.size() || new_at >= new_bytes.size()) break;
      if (old_bytes[old_at] != new_bytes[new_at] &&
          Agreeing(old_bytes, old_at + 1, new_bytes, new_at + 1) < kAgreeing) {
        break;
      }
      ++match.length;
    }
    matches.push_back(match);
    at = unmatched_from = match.newStart + match.length;
  }
  return matches;
}

}  // namespace

std::string EncodePatchNumber(int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string bytes(8, '\0');
  for (size_t i = 0; i < 8; ++i) {
    bytes[i] = static_cast<char>(magnitude & 0xff);
    magnitude >>= 8;
  }
  if (value < 0) bytes[7] = static_cast<char>(bytes[7] | 0x80);
  return bytes;
}

std::string EncodeControlBlock(const std::vector<PatchStep>& steps) {
  std::string control;
  for (const PatchStep& step : steps) {
    control += EncodePatchNumber(step.add);
    control += EncodePatchNumber(step.copy);
    control += EncodePatchNumber(step.seek);
  }
  return control;
}

std::string MakePatchPayload(const std::string& control, const std::string& diff,
                             const std::string& extra, int64_t new_size) {
  return MakePatchPayload(control, diff, extra, static_cast<int64_t>(control.size()),
                          static_cast<int64_t>(diff.size()), new_size);
}

std::string MakePatchPayload(const std::string& control, const std::string& diff,
                             const std::string& extra, int64_t control_length, int64_t diff_length,
                             int64_t new_size) {
  return "BSDIFN40" + EncodePatchNumber(control_length) + EncodePatchNumber(diff_length) +
         EncodePatchNumber(new_size) + control + diff + extra;
}

std::string MakePatchContainer(const std::string& payload) {
  return MakePatchContainer(payload, static_cast<uint32_t>(payload.size()));
}

std::string MakePatchContainer(const std::string& payload, uint32_t payload_size_field) {
  uLongf compressed_size = compressBound(static_cast<uLong>(payload.size()));
  std::string compressed(compressed_size, '\0');
  // The fastest level: the tests' large patches are long runs of one pattern.
  if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &compressed_size,
                reinterpret_cast<const Bytef*>(payload.data()), static_cast<uLong>(payload.size()),
                Z_BEST_SPEED) != Z_OK) {
    return std::string();
  }
  compressed.resize(compressed_size);
  std::string container;
  for (uint32_t field : {payload_size_field, static_cast<uint32_t>(compressed_size)}) {
    for (int i = 0; i < 4; ++i) container += static_cast<char>((field >> (8 * i)) & 0xff);
  }
  return container + compressed;
}

std::string MakePatchPayloadFromFiles(const std::string& old_bytes, const std::string& new_bytes) {
  const std::vector<Match> matches = FindMatches(old_bytes, new_bytes);
  std::vector<PatchStep> steps;
  std::string diff;
  std::string extra;
  // The first step only copies what comes before the first match and moves
  // to it; each later one adds its match and copies up to the next.
  const size_t first_new = matches.empty() ? new_bytes.size() : matches.front().newStart;
  const size_t first_old = matches.empty() ? 0 : matches.front().oldStart;
  steps.push_back({0, static_cast<int64_t>(first_new), static_cast<int64_t>(first_old)});
  extra.append(new_bytes, 0, first_new);
  for (size_t k = 0; k < matches.size(); ++k) {
    const Match& match = matches[k];
    for (size_t i = 0; i < match.length; ++i) {
      diff += static_cast<char>(new_bytes[match.newStart + i] - old_bytes[match.oldStart + i]);
    }
    const size_t match_end = match.newStart + match.length;
    const size_t next_new = k + 1 < matches.size() ? matches[k + 1].newStart : new_bytes.size();
    const size_t old_end = match.oldStart + match.length;
    const size_t next_old = k + 1 < matches.size() ? matches[k + 1].oldStart : old_end;
    extra.append(new_bytes, match_end, next_new - match_end);
    steps.push_back({static_cast<int64_t>(match.length), static_cast<int64_t>(next_new - match_end),
                     static_cast<int64_t>(next_old) - static_cast<int64_t>(old_end)});
  }
  return MakePatchPayload(EncodeControlBlock(steps), diff, extra,
                          static_cast<int64_t>(new_bytes.size()));
}

std::string MakePatch(const std::string& old_bytes, const std::string& new_bytes) {
  return MakePatchContainer(MakePatchPayloadFromFiles(old_bytes, new_bytes));
}

}  // namespace test_support
