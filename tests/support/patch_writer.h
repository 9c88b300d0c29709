#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes patch containers for the patch tests: by hand from control triples,
// or by diffing an old and a new file.

namespace test_support {

// A number in the patch's 8-byte sign-and-magnitude form.
std::string EncodePatchNumber(int64_t value);

struct PatchStep {
  int64_t add = 0;
  int64_t copy = 0;
  int64_t seek = 0;
};

// The control block of these steps.
std::string EncodeControlBlock(const std::vector<PatchStep>& steps);

// A "BSDIFN40" payload: header, control, diff and extra blocks as given.
std::string MakePatchPayload(const std::string& control, const std::string& diff,
                             const std::string& extra, int64_t new_size);
// The same with every header field chosen, to describe blocks that do not fit.
std::string MakePatchPayload(const std::string& control, const std::string& diff,
                             const std::string& extra, int64_t control_length, int64_t diff_length,
                             int64_t new_size);

// The container of a payload: its size, the compressed size and the zlib
// stream. The size field is the payload's size unless one is given.
std::string MakePatchContainer(const std::string& payload);
std::string MakePatchContainer(const std::string& payload, uint32_t payload_size_field);

// A patch that turns `old_bytes` into `new_bytes`. Runs of about 24 equal
// bytes or more, found through an index of the old file, become add steps (a
// run goes on over scattered changed bytes, which the diff block then
// carries); everything else is copied from the extra block. Correct for any
// input, not the smallest.
std::string MakePatchPayloadFromFiles(const std::string& old_bytes, const std::string& new_bytes);
std::string MakePatch(const std::string& old_bytes, const std::string& new_bytes);

}  // namespace test_support
