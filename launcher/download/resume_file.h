#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Files download in ranges of this many bytes.
constexpr int64_t kChunkBytes = 33554432;

// One registered range of a file: `begin` is the next offset to write, `end`
// the range's last offset (inclusive); the range is finished when end < begin.
struct ChunkInfo {
  int32_t index = 0;
  int64_t begin = 0;
  int64_t end = 0;
};

// The ranges of a file of `size` bytes (size > 0), in index order.
std::vector<ChunkInfo> PlanChunks(int64_t size);

// How many bytes from the file's start are written while `pending` holds the
// unfinished ranges (each `begin` being the next offset to write): the lowest
// pending `begin`, or the whole size when no range is pending.
int64_t WrittenPrefix(const std::vector<ChunkInfo>& pending, int64_t file_size);

// The resume file beside a download: its path with ".cfg" appended.
std::string ResumeFilePath(const std::string& path);

enum class ResumeState {
  Unparsable,  // not JSON: ignored, nothing is deleted
  Invalid,     // another file's or malformed: start over
  Finished,    // valid, every range written: the file only awaits its check
  Pending,     // pending ranges were read
};

// Reads a resume file's text for a file of `file_size` bytes with the given
// MD5. Every entry must describe a range of that file's chunk plan, with its
// next offset inside the range; an entry that does not makes the whole file
// Invalid, since offsets from it would put bytes in the wrong place.
ResumeState ParseResumeText(const std::string& text, const std::string& md5, int64_t file_size,
                            std::vector<ChunkInfo>* pending);

// The text WriteResumeFile stores: {"infoList": [...], "md5": md5}, tab-indented.
std::string FormatResumeText(const std::string& md5, const std::vector<ChunkInfo>& chunks);

// Reads the resume file of `path`. Returns true with the pending ranges.
// An Invalid resume file is deleted together with the data file at `path`; a
// Finished one alone (the data file may be complete and is checked by MD5).
bool ReadResumeFile(const std::string& path, const std::string& md5, int64_t file_size,
                    std::vector<ChunkInfo>* pending);

// Replaces the resume file of `path` as a whole (written beside it and then
// renamed over it, so a process killed mid-write leaves the previous one).
// Creates missing folders; a file that cannot be written is skipped.
void WriteResumeFile(const std::string& path, const std::string& md5,
                     const std::vector<ChunkInfo>& chunks);

// True when the resume file of `path` parses as JSON and its "md5" equals md5.
bool ResumeFileMatchesMd5(const std::string& path, const std::string& md5);
