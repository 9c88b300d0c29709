#include "launcher/update/file_hasher.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include "base/md5.h"

FileHasher::Result FileHasher::HashFile(const std::string& path) {
  Result result;
  std::ifstream stream(path, std::ios::binary);
  result.ok = stream.is_open() && ComputeStreamMd5(stream, &result.md5, &result.size);
  return result;
}

void FileHasher::HashAll(const std::vector<std::string>& paths, const ResultCallback& done) {
  const size_t count = paths.size();
  if (count == 0) return;
  std::vector<Result> results(count);
  std::vector<bool> ready(count, false);
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<size_t> next{0};

  const unsigned threads = static_cast<unsigned>(
      std::min<size_t>({count, kMaxThreads, std::max(1u, std::thread::hardware_concurrency())}));
  std::vector<std::thread> readers;
  for (unsigned i = 0; i < threads; ++i) {
    readers.emplace_back([&] {
      for (size_t index = next++; index < count; index = next++) {
        Result result = HashFile(paths[index]);
        std::lock_guard<std::mutex> lock(mutex);
        results[index] = std::move(result);
        ready[index] = true;
        finished.notify_all();
      }
    });
  }
  for (size_t index = 0; index < count; ++index) {
    Result result;
    {
      std::unique_lock<std::mutex> lock(mutex);
      finished.wait(lock, [&] { return ready[index]; });
      result = std::move(results[index]);
    }
    done(index, result);
  }
  for (std::thread& reader : readers) reader.join();
}
