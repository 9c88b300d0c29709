#include "launcher/download/resume_file.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <utility>

#include "base/file_io.h"
#include "base/json_util.h"
#include "launcher/download/file_handle.h"

std::vector<ChunkInfo> PlanChunks(int64_t size) {
  std::vector<ChunkInfo> chunks;
  for (int64_t begin = 0; begin < size; begin += kChunkBytes) {
    ChunkInfo chunk;
    chunk.index = static_cast<int32_t>(begin / kChunkBytes);
    chunk.begin = begin;
    chunk.end = (size - begin > kChunkBytes ? begin + kChunkBytes : size) - 1;
    chunks.push_back(chunk);
  }
  return chunks;
}

int64_t WrittenPrefix(const std::vector<ChunkInfo>& pending, int64_t file_size) {
  int64_t prefix = file_size;
  for (const ChunkInfo& chunk : pending) {
    if (chunk.end >= chunk.begin) prefix = std::min(prefix, chunk.begin);
  }
  return prefix;
}

std::string ResumeFilePath(const std::string& path) { return path + ".cfg"; }

ResumeState ParseResumeText(const std::string& text, const std::string& md5, int64_t file_size,
                            std::vector<ChunkInfo>* pending) {
  pending->clear();
  Json::Value root;
  std::string error;
  if (!ParseJson(text, &root, &error)) return ResumeState::Unparsable;
  if (!root.isObject()) return ResumeState::Invalid;
  const Json::Value& stored_md5 = root["md5"];
  const Json::Value& list = root["infoList"];
  if (!stored_md5.isString() || stored_md5.asString() != md5 || !list.isArray()) {
    return ResumeState::Invalid;
  }
  const std::vector<ChunkInfo> plan = PlanChunks(file_size);
  std::set<int32_t> seen;
  std::vector<ChunkInfo> found;
  for (const Json::Value& entry : list) {
    if (!entry.isObject()) return ResumeState::Invalid;
    const Json::Value& index = entry["index"];
    const Json::Value& begin = entry["begin"];
    const Json::Value& end = entry["end"];
    if (!index.isInt() || !begin.isInt64() || !end.isInt64()) return ResumeState::Invalid;
    const int32_t chunk_index = index.asInt();
    if (chunk_index < 0 || static_cast<size_t>(chunk_index) >= plan.size() ||
        !seen.insert(chunk_index).second) {
      return ResumeState::Invalid;
    }
    const ChunkInfo& range = plan[chunk_index];
    ChunkInfo chunk{chunk_index, begin.asInt64(), end.asInt64()};
    if (chunk.end != range.end || chunk.begin < range.begin || chunk.begin > range.end + 1) {
      return ResumeState::Invalid;
    }
    if (chunk.end >= chunk.begin) found.push_back(chunk);
  }
  if (found.empty()) return ResumeState::Finished;
  *pending = std::move(found);
  return ResumeState::Pending;
}

std::string FormatResumeText(const std::string& md5, const std::vector<ChunkInfo>& chunks) {
  Json::Value root(Json::objectValue);
  root["md5"] = md5;
  Json::Value& list = root["infoList"] = Json::Value(Json::arrayValue);
  for (const ChunkInfo& chunk : chunks) {
    Json::Value entry(Json::objectValue);
    entry["index"] = chunk.index;
    entry["begin"] = static_cast<Json::Int64>(chunk.begin);
    entry["end"] = static_cast<Json::Int64>(chunk.end);
    list.append(entry);
  }
  return WriteJsonText(root);
}

bool ReadResumeFile(const std::string& path, const std::string& md5, int64_t file_size,
                    std::vector<ChunkInfo>* pending) {
  pending->clear();
  std::string text;
  if (!ReadFileToStringA(ResumeFilePath(path), &text)) return false;
  switch (ParseResumeText(text, md5, file_size, pending)) {
    case ResumeState::Pending:
      return true;
    case ResumeState::Invalid:
      DeleteFileA(path.c_str());
      DeleteFileA(ResumeFilePath(path).c_str());
      return false;
    case ResumeState::Finished:
      DeleteFileA(ResumeFilePath(path).c_str());
      break;
    case ResumeState::Unparsable:
      break;
  }
  return false;
}

void WriteResumeFile(const std::string& path, const std::string& md5,
                     const std::vector<ChunkInfo>& chunks) {
  const std::string resume_path = ResumeFilePath(path);
  CreateParentFolders(resume_path);
  WriteStringToFileA(resume_path, FormatResumeText(md5, chunks));
}

bool ResumeFileMatchesMd5(const std::string& path, const std::string& md5) {
  std::string text;
  if (!ReadFileToStringA(ResumeFilePath(path), &text)) return false;
  Json::Value root;
  std::string error;
  if (!ParseJson(text, &root, &error) || !root.isObject()) return false;
  const Json::Value& stored_md5 = root["md5"];
  return stored_md5.isString() && stored_md5.asString() == md5;
}
