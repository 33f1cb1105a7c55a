#include "ChunkedDeflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qorva {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kChunk = 2u << 20;
constexpr std::size_t kSample = 64u << 10;
constexpr std::size_t kMaxStored = 65535;

// Per-worker state. Each chunk is deflated with the 32 KiB before it as its dictionary (so
// the split costs next to nothing in size) and ends with a sync flush: byte-aligned, no
// final block, so chunks can follow each other in one stream.
class ChunkCompressor {
 public:
  explicit ChunkCompressor(int level) : quick_(libdeflate_alloc_compressor(1)) {
    if (!quick_) throw CryptoError("Out of memory for compression.");
    if (deflateInit2(&z_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      libdeflate_free_compressor(quick_);
      throw CryptoError("Out of memory for compression.");
    }
  }
  ~ChunkCompressor() {
    libdeflate_free_compressor(quick_);
    deflateEnd(&z_);
  }
  ChunkCompressor(const ChunkCompressor&) = delete;
  ChunkCompressor& operator=(const ChunkCompressor&) = delete;

  void Compress(const std::uint8_t* dict, std::size_t dictLen, const std::uint8_t* in,
                std::size_t n, Bytes& out) {
    out.clear();
    if (n == 0) return;
    if (LooksIncompressible(in, n)) return Store(in, n, out);
    if (deflateReset(&z_) != Z_OK ||
        (dictLen && deflateSetDictionary(&z_, dict, static_cast<uInt>(dictLen)) != Z_OK))
      throw CryptoError("Internal error: the compressor cannot be reset.");
    out.resize(deflateBound(&z_, static_cast<uLong>(n)) + 16);
    z_.next_in = const_cast<std::uint8_t*>(in);
    z_.avail_in = static_cast<uInt>(n);
    z_.next_out = out.data();
    z_.avail_out = static_cast<uInt>(out.size());
    const int r = deflate(&z_, Z_SYNC_FLUSH);
    if (r != Z_OK || z_.avail_in != 0) throw CryptoError("Internal error: compression failed.");
    out.resize(out.size() - z_.avail_out);
    if (out.size() >= StoredSize(n)) Store(in, n, out);
  }

 private:
  static std::size_t StoredSize(std::size_t n) {
    return n + 5 * ((n + kMaxStored - 1) / kMaxStored);
  }

  // Encrypted or already compressed data: a quick look at a sample spares the full effort.
  bool LooksIncompressible(const std::uint8_t* in, std::size_t n) {
    if (n < 4 * kSample) return false;
    std::uint8_t buf[kSample + 1024];
    const std::size_t c = libdeflate_deflate_compress(quick_, in, kSample, buf, sizeof buf);
    return c == 0 || c > kSample - kSample / 32;
  }

  static void Store(const std::uint8_t* in, std::size_t n, Bytes& out) {
    out.clear();
    out.reserve(StoredSize(n));
    for (std::size_t at = 0; at < n;) {
      const std::size_t len = std::min(kMaxStored, n - at);
      const std::uint8_t hdr[] = {
          0x00, static_cast<std::uint8_t>(len), static_cast<std::uint8_t>(len >> 8),
          static_cast<std::uint8_t>(~len), static_cast<std::uint8_t>(~len >> 8)};
      out.insert(out.end(), hdr, hdr + 5);
      out.insert(out.end(), in + at, in + at + len);
      at += len;
    }
  }

  libdeflate_compressor* quick_;
  z_stream z_{};
};

constexpr std::size_t kWindow = 32u << 10;

struct Job {
  Bytes dict;  // the last 32 KiB of input before this chunk
  Bytes in;
  std::size_t n = 0;
  Bytes out;
  bool ready = false;
  std::exception_ptr error;
};

class WorkerPool {
 public:
  WorkerPool(int level, unsigned threads) {
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this, level] { Work(level); });
  }
  ~WorkerPool() {
    {
      std::lock_guard<std::mutex> lock(m_);
      stop_ = true;
    }
    work_.notify_all();
    for (auto& t : workers_) t.join();
  }
  void Submit(Job* job) {
    {
      std::lock_guard<std::mutex> lock(m_);
      queue_.push_back(job);
    }
    work_.notify_one();
  }
  void Wait(Job* job) {
    std::unique_lock<std::mutex> lock(m_);
    done_.wait(lock, [job] { return job->ready; });
  }

 private:
  void Work(int level) {
    std::unique_ptr<ChunkCompressor> c;
    std::exception_ptr setupError;
    try {
      c = std::make_unique<ChunkCompressor>(level);
    } catch (...) {
      setupError = std::current_exception();
    }
    for (;;) {
      Job* job = nullptr;
      {
        std::unique_lock<std::mutex> lock(m_);
        work_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        job = queue_.front();
        queue_.pop_front();
      }
      try {
        if (setupError) std::rethrow_exception(setupError);
        c->Compress(job->dict.data(), job->dict.size(), job->in.data(), job->n, job->out);
      } catch (...) {
        job->error = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(m_);
        job->ready = true;
      }
      done_.notify_all();
    }
  }

  std::mutex m_;
  std::condition_variable work_, done_;
  std::deque<Job*> queue_;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

std::size_t ReadFull(const DeflateReader& read, std::uint8_t* buf, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const std::size_t r = read(buf + got, n - got);
    if (r == 0) break;
    got += r;
  }
  return got;
}

}  // namespace

DeflateResult DeflateChunked(const DeflateReader& read, const DeflateWriter& write, int level,
                             unsigned threads, std::uint64_t total,
                             const ProgressCallback& progress) {
  if (level < 1 || level > 9) throw CryptoError("Unsupported compression level.");
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  DeflateResult result;
  uLong crc = crc32(0L, Z_NULL, 0);
  if (progress && !progress(0, total)) throw CryptoCancelled();
  auto emit = [&](const Job& job) {
    write(job.out.data(), job.out.size());
    result.out += job.out.size();
    result.in += job.n;
    if (progress && !progress(result.in, std::max(total, result.in))) throw CryptoCancelled();
  };

  // Reads the next chunk into `job` with the tail of the one before as its dictionary.
  Bytes tail;
  auto fill = [&](Job& job) {
    job.n = ReadFull(read, job.in.data(), kChunk);
    crc = libdeflate_crc32(static_cast<std::uint32_t>(crc), job.in.data(), job.n);
    job.dict = tail;
    const std::size_t keep = std::min(job.n, kWindow);
    if (keep == kWindow) tail.clear();
    tail.insert(tail.end(), job.in.data() + job.n - keep, job.in.data() + job.n);
    if (tail.size() > kWindow)
      tail.erase(tail.begin(), tail.end() - static_cast<std::ptrdiff_t>(kWindow));
    return job.n;
  };

  if (threads == 1 || total <= kChunk) {
    ChunkCompressor c(level);
    Job job;
    job.in.resize(kChunk);
    while (fill(job) > 0) {
      c.Compress(job.dict.data(), job.dict.size(), job.in.data(), job.n, job.out);
      emit(job);
      if (job.n < kChunk) break;
    }
  } else {
    // Jobs are recycled; at most two in flight per worker keeps memory bounded.
    const std::size_t maxInFlight = 2 * threads;
    std::vector<std::unique_ptr<Job>> spare;
    std::deque<std::unique_ptr<Job>> inFlight;
    WorkerPool pool(level, threads);
    bool eof = false;
    for (;;) {
      while (!eof && inFlight.size() < maxInFlight) {
        std::unique_ptr<Job> job;
        if (!spare.empty()) {
          job = std::move(spare.back());
          spare.pop_back();
        } else {
          job = std::make_unique<Job>();
          job->in.resize(kChunk);
        }
        if (fill(*job) < kChunk) eof = true;
        if (job->n == 0) break;
        job->ready = false;
        job->error = nullptr;
        pool.Submit(job.get());
        inFlight.push_back(std::move(job));
      }
      if (inFlight.empty()) break;
      Job* front = inFlight.front().get();
      pool.Wait(front);
      if (front->error) std::rethrow_exception(front->error);
      emit(*front);
      spare.push_back(std::move(inFlight.front()));
      inFlight.pop_front();
    }
  }
  // The final block: empty, fixed Huffman codes.
  const std::uint8_t last[] = {0x03, 0x00};
  write(last, sizeof last);
  result.out += sizeof last;
  result.crc = static_cast<std::uint32_t>(crc);
  return result;
}

}  // namespace qorva
