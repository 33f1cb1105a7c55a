#include "ZipArchive.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>

#include "AtomicOutput.h"
#include "ChunkedDeflate.h"
#include "platform.h"

namespace qorva {
namespace fs = std::filesystem;

namespace {

// A failure with its result code, turned into the return value at the top.
struct ZipFailure {
  int code;
  std::string message;
};

constexpr std::uint32_t kMax32 = 0xFFFFFFFFu;
// Sizes from here on get zip64 fields in the local header, reserved before the data is
// written: deflate may grow incompressible data a little past the input size.
constexpr std::uint64_t kZip64From = 0xF0000000ull;
constexpr std::size_t kIoBuffer = 1u << 20;

class Le {
 public:
  Le& u16(std::uint32_t v) {
    b_.push_back(static_cast<std::uint8_t>(v));
    b_.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
  }
  Le& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Le& u64(std::uint64_t v) {
    return u32(static_cast<std::uint32_t>(v)).u32(static_cast<std::uint32_t>(v >> 32));
  }
  Le& bytes(const std::string& s) {
    b_.insert(b_.end(), s.begin(), s.end());
    return *this;
  }
  const std::vector<std::uint8_t>& data() const { return b_; }

 private:
  std::vector<std::uint8_t> b_;
};

struct Member {
  std::string name;
  std::uint16_t method = 8;
  std::uint16_t flags = 0;
  std::uint16_t dosTime = 0, dosDate = 0;
  std::uint32_t crc = 0;
  std::uint64_t csize = 0, usize = 0, offset = 0;
  bool zip64Local = false;
  std::uint32_t mode = 0100644;
};

void DosDateTime(std::time_t t, std::uint16_t& time, std::uint16_t& date) {
  std::tm tm = platform::LocalTime(t);
  if (tm.tm_year < 80) {
    tm = std::tm{};
    tm.tm_year = 80;
    tm.tm_mday = 1;
  }
  time = static_cast<std::uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  date = static_cast<std::uint16_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
}

std::string MemberName(const std::string& path, bool preservePaths) {
  fs::path p(path);
  if (!preservePaths) return p.filename().string();
  std::string name = p.relative_path().lexically_normal().generic_string();
  while (name.rfind("./", 0) == 0) name.erase(0, 2);
  return name;
}

// A member name that would land outside the target folder, or could mean something else
// on another system, is refused rather than rewritten.
bool UnsafeName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return true;
  if (name.find(':') != std::string::npos) return true;  // drive letters, alternate streams
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = name.find_first_of("/\\", start);
    const std::string part = name.substr(start, end == std::string::npos ? end : end - start);
    if (part == "..") return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

std::string BareName(const std::string& name) {
  const std::size_t slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// '*' any run of characters, '?' any one character, everything else itself.
bool GlobMatch(const char* pattern, const char* text) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*text) {
    if (*pattern == '?' || (*pattern && *pattern != '*' && *pattern == *text)) {
      ++pattern;
      ++text;
    } else if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (star) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

class ZipWriter {
 public:
  ZipWriter(const std::string& target, bool forceZip64, TDurability durability)
      : out_(target, platform::FileAccess::OwnerOnly, durability), force64_(forceZip64) {}

  void Add(const std::string& path, const std::string& name, int level, unsigned threads,
           std::uint64_t& done, std::uint64_t total, const ProgressCallback& progress) {
    std::error_code ec;
    platform::File in = platform::OpenForReading(path, ec);
    if (!in.IsOpen())
      throw ZipFailure{xerReadError, "Cannot open file " + path + ": " + ec.message()};
    const fs::file_status status = fs::status(platform::PathFromUtf8(path), ec);
    const std::uint64_t size = in.Size(ec);
    if (ec || !fs::is_regular_file(status))
      throw ZipFailure{xerReadError, "Not a regular file: " + path};
    std::error_code mtimeError;
    const auto mtime = fs::last_write_time(platform::PathFromUtf8(path), mtimeError);
    const std::time_t modified =
        mtimeError ? std::time(nullptr)
                   : std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(mtime));

    Member m;
    m.name = name;
    m.usize = size;
    m.method = (level == 0 || m.usize == 0) ? 0 : 8;
    if (m.method == 8 && level >= 8) m.flags |= 0x0002;  // "maximum compression"
    for (unsigned char c : name)
      if (c >= 0x80) m.flags |= 0x0800;  // UTF-8 name
    m.mode = 0100000 | (static_cast<std::uint32_t>(status.permissions()) & 0777);
    DosDateTime(modified, m.dosTime, m.dosDate);
    m.offset = out_.Tell();
    m.zip64Local = force64_ || m.usize >= kZip64From;
    WriteLocalHeader(m);
    const std::uint64_t dataStart = out_.Tell();

    auto reader = [&](std::uint8_t* buf, std::size_t n) {
      std::error_code readError;
      const std::size_t got = in.Read(buf, n, readError);
      if (readError)
        throw ZipFailure{xerReadError, "Cannot read file " + path + ": " + readError.message()};
      return got;
    };
    const std::uint64_t base = done;
    auto fileProgress = [&](std::uint64_t d, std::uint64_t) {
      done = base + d;
      return !progress || progress(done, std::max(total, done));
    };
    if (m.method == 8) {
      const DeflateResult r = DeflateChunked(
          reader, [&](const std::uint8_t* d, std::size_t n) { out_.Write(d, n); }, level, threads,
          m.usize, fileProgress);
      m.crc = r.crc;
      m.usize = r.in;
    } else {
      std::vector<std::uint8_t> buf(kIoBuffer);
      std::uint32_t crc = 0;
      std::uint64_t n = 0;
      for (std::size_t got; (got = reader(buf.data(), buf.size())) > 0;) {
        crc = libdeflate_crc32(crc, buf.data(), got);
        out_.Write(buf.data(), got);
        n += got;
        if (!fileProgress(n, m.usize)) throw CryptoCancelled();
      }
      m.crc = crc;
      m.usize = n;
    }
    m.csize = out_.Tell() - dataStart;
    if (!m.zip64Local && (m.usize >= kMax32 || m.csize >= kMax32))
      throw ZipFailure{xerReadError, "The file " + path + " grew while it was being zipped."};
    PatchLocalHeader(m);
    members_.push_back(m);
  }

  void Finish() {
    const std::uint64_t cdStart = out_.Tell();
    for (const Member& m : members_) WriteCentralEntry(m);
    const std::uint64_t cdSize = out_.Tell() - cdStart;
    const std::uint64_t count = members_.size();
    const bool zip64 = force64_ || count >= 0xFFFF || cdStart >= kMax32 || cdSize >= kMax32;
    if (zip64) {
      const std::uint64_t eocd64 = out_.Tell();
      Le r;
      r.u32(0x06064b50)
          .u64(44)
          .u16(45)
          .u16(45)
          .u32(0)
          .u32(0)
          .u64(count)
          .u64(count)
          .u64(cdSize)
          .u64(cdStart);
      r.u32(0x07064b50).u32(0).u64(eocd64).u32(1);
      Put(r);
    }
    Le e;
    const std::uint16_t n16 = zip64 ? 0xFFFF : static_cast<std::uint16_t>(count);
    e.u32(0x06054b50).u16(0).u16(0).u16(n16).u16(n16);
    e.u32(zip64 ? kMax32 : static_cast<std::uint32_t>(cdSize));
    e.u32(zip64 ? kMax32 : static_cast<std::uint32_t>(cdStart));
    e.u16(0);
    Put(e);
    out_.Commit();
  }

 private:
  void Put(const Le& le) { out_.Write(le.data().data(), le.data().size()); }

  Le LocalHeader(const Member& m) const {
    Le h;
    h.u32(0x04034b50).u16(m.zip64Local ? 45 : (m.method == 8 ? 20 : 10)).u16(m.flags).u16(m.method);
    h.u16(m.dosTime).u16(m.dosDate).u32(m.crc);
    if (m.zip64Local) {
      h.u32(kMax32).u32(kMax32);
    } else {
      h.u32(static_cast<std::uint32_t>(m.csize)).u32(static_cast<std::uint32_t>(m.usize));
    }
    h.u16(static_cast<std::uint32_t>(m.name.size())).u16(m.zip64Local ? 20 : 0).bytes(m.name);
    if (m.zip64Local) h.u16(0x0001).u16(16).u64(m.usize).u64(m.csize);
    return h;
  }

  void WriteLocalHeader(const Member& m) {
    if (m.name.size() > 0xFFFF)
      throw ZipFailure{xerBadParameter, "Member name too long: " + m.name};
    Put(LocalHeader(m));
  }

  void PatchLocalHeader(const Member& m) {
    const Le h = LocalHeader(m);
    out_.WriteAt(m.offset, h.data().data(), h.data().size());
  }

  void WriteCentralEntry(const Member& m) {
    // A member with zip64 local fields gets them in the directory too, so both agree.
    const bool bigU = m.zip64Local || m.usize >= kMax32;
    const bool bigC = m.zip64Local || m.csize >= kMax32;
    const bool bigO = force64_ || m.offset >= kMax32;
    Le x;
    if (bigU || bigC || bigO) {
      x.u16(0x0001).u16(8 * (bigU + bigC + bigO));
      if (bigU) x.u64(m.usize);
      if (bigC) x.u64(m.csize);
      if (bigO) x.u64(m.offset);
    }
    const bool z64 = bigU || bigC || bigO;
    Le c;
    c.u32(0x02014b50).u16(0x0300 | 45).u16(z64 ? 45 : (m.method == 8 ? 20 : 10)).u16(m.flags);
    c.u16(m.method).u16(m.dosTime).u16(m.dosDate).u32(m.crc);
    c.u32(bigC ? kMax32 : static_cast<std::uint32_t>(m.csize));
    c.u32(bigU ? kMax32 : static_cast<std::uint32_t>(m.usize));
    c.u16(static_cast<std::uint32_t>(m.name.size()))
        .u16(static_cast<std::uint32_t>(x.data().size()));
    c.u16(0).u16(0).u16(0).u32(m.mode << 16);
    c.u32(bigO ? kMax32 : static_cast<std::uint32_t>(m.offset)).bytes(m.name);
    Put(c);
    Put(x);
  }

  TAtomicOutput out_;
  bool force64_;
  std::vector<Member> members_;
};

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using Archive = std::unique_ptr<zip_t, ZipCloser>;

Archive OpenArchive(const std::string& path) {
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  if (!z) {
    zip_error_t ze;
    zip_error_init_with_code(&ze, err);
    const std::string why = zip_error_strerror(&ze);
    zip_error_fini(&ze);
    const bool unreadable = err == ZIP_ER_OPEN || err == ZIP_ER_NOENT || err == ZIP_ER_READ;
    throw ZipFailure{unreadable ? xerReadError : xerBadArchive,
                     "Cannot open the archive " + path + ": " + why};
  }
  return Archive(z);
}

bool Selected(const TFilesToProcess& files, const std::string& name) {
  if (files.Empty()) return true;
  for (const std::string& f : files.Entries()) {
    if (f == "*.*" || f == "*") return true;
    if (GlobMatch(f.c_str(), name.c_str()) || GlobMatch(f.c_str(), BareName(name).c_str()))
      return true;
  }
  return false;
}

}  // namespace

TFilesToProcess& TFilesToProcess::operator=(const std::string& entry) {
  entries_.clear();
  if (!entry.empty()) entries_.push_back(entry);
  return *this;
}

int TZipArchive::Fail(int code, const std::string& message) {
  last_error_ = message;
  return code;
}

int TZipArchive::Zip() {
  last_error_.clear();
  try {
    if (ZipFilename.empty()) return Fail(xerBadParameter, "No archive name given.");
    if (CompressionLevel < 0 || CompressionLevel > 9)
      return Fail(xerBadParameter,
                  "Unsupported compression level " + std::to_string(CompressionLevel) + ".");
    if (FilesToProcess.Empty()) return Fail(xerNothingToDo, "No files to zip.");
    std::vector<std::pair<std::string, std::string>> files;
    std::set<std::string> names;
    std::uint64_t total = 0;
    for (const std::string& path : FilesToProcess.Entries()) {
      const std::string name = MemberName(path, PreservePaths);
      if (name.empty() || UnsafeName(name))
        return Fail(xerBadParameter, "Cannot store " + path + " under a safe member name.");
      if (!names.insert(name).second)
        return Fail(xerBadParameter, "Two files would have the member name " + name + ".");
      std::error_code ec;
      const auto size = fs::file_size(path, ec);
      if (ec) return Fail(xerReadError, "Cannot open file " + path + ": " + ec.message());
      total += size;
      files.emplace_back(path, name);
    }
    ZipWriter writer(ZipFilename, ForceZip64, Durability);
    std::uint64_t done = 0;
    for (const auto& [path, name] : files)
      writer.Add(path, name, CompressionLevel, threads_, done, total, progress_);
    writer.Finish();
    return xerSuccess;
  } catch (const ZipFailure& f) {
    return Fail(f.code, f.message);
  } catch (const CryptoCancelled& e) {
    return Fail(xerCancelled, e.what());
  } catch (const EFileWriteError& e) {
    return Fail(e.Code == std::errc::no_space_on_device ? xerNoSpace : xerWriteError, e.what());
  } catch (const CryptoError& e) {
    return Fail(xerWriteError, e.what());
  } catch (const std::exception& e) {
    return Fail(xerWriteError, std::string("Zip failed: ") + e.what());
  }
}

int TZipArchive::Unzip() {
  last_error_.clear();
  try {
    if (ZipFilename.empty()) return Fail(xerBadParameter, "No archive name given.");
    if (UnzipToFolder.empty()) return Fail(xerBadParameter, "No folder to unzip to.");
    Archive za = OpenArchive(ZipFilename);
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    struct Pick {
      zip_uint64_t index;
      std::string name;  // relative output path
      std::uint64_t size;
      std::uint32_t crc;
    };
    std::vector<Pick> picks;
    std::uint64_t total = 0;
    // Every selected name is checked before anything is written.
    for (zip_int64_t i = 0; i < count; ++i) {
      const auto idx = static_cast<zip_uint64_t>(i);
      const char* raw = zip_get_name(za.get(), idx, ZIP_FL_ENC_RAW);
      zip_stat_t st;
      if (!raw || zip_stat_index(za.get(), idx, 0, &st) != 0)
        return Fail(xerBadArchive, "The archive " + ZipFilename + " is damaged.");
      const std::string name = raw;
      if (!Selected(FilesToProcess, name)) continue;
      if (UnsafeName(name))
        return Fail(xerUnsafeName,
                    "The archive " + ZipFilename + " holds an unsafe member name: " + name);
      const bool dir = name.back() == '/' || name.back() == '\\';
      if (dir && !PreservePaths) continue;
      if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        return Fail(xerBadArchive, "The member " + name + " is password-protected.");
      picks.push_back({idx, PreservePaths ? name : BareName(name), dir ? 0 : st.size,
                       (st.valid & ZIP_STAT_CRC) ? st.crc : 0});
      total += dir ? 0 : st.size;
    }
    if (picks.empty()) return Fail(xerNothingToDo, "No matching members in " + ZipFilename + ".");

    std::error_code ec;
    fs::create_directories(UnzipToFolder, ec);
    // The declared sizes must fit before anything is written (and bound what is written).
    const std::uint64_t space = platform::FreeSpace(UnzipToFolder, ec);
    if (!ec && space < total) return Fail(xerNoSpace, "not enough space in " + UnzipToFolder);
    std::vector<std::uint8_t> buf(kIoBuffer);
    std::uint64_t done = 0;
    if (progress_ && !progress_(0, total)) return Fail(xerCancelled, "Operation cancelled.");
    for (const Pick& p : picks) {
      const fs::path target = platform::PathFromUtf8(UnzipToFolder) / platform::PathFromUtf8(p.name);
      if (p.name.back() == '/' || p.name.back() == '\\') {
        fs::create_directories(target, ec);
        if (ec)
          return Fail(xerWriteError,
                      "Cannot create folder " + target.string() + ": " + ec.message());
        continue;
      }
      if (PreservePaths && target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
      std::unique_ptr<zip_file_t, ZipFileCloser> zf(zip_fopen_index(za.get(), p.index, 0));
      if (!zf)
        return Fail(xerBadArchive,
                    "Cannot read the member " + p.name + ": " + zip_strerror(za.get()));
      TAtomicOutput out(target.string(), platform::FileAccess::OwnerOnly, Durability);
      std::uint64_t got = 0;
      std::uint32_t crc = 0;
      for (;;) {
        const zip_int64_t n = zip_fread(zf.get(), buf.data(), buf.size());
        if (n < 0) {
          const int code = zip_error_code_zip(zip_file_get_error(zf.get()));
          return Fail(code == ZIP_ER_CRC ? xerCrcMismatch : xerBadArchive,
                      "The member " + p.name + " of " + ZipFilename +
                          " is damaged: " + zip_file_strerror(zf.get()));
        }
        if (n == 0) break;
        got += static_cast<std::uint64_t>(n);
        // A member that inflates past its declared size is damaged (or hostile): stop now.
        if (got > p.size)
          return Fail(xerCrcMismatch, "The member " + p.name + " of " + ZipFilename +
                                          " is larger than its archive says.");
        crc = libdeflate_crc32(crc, buf.data(), static_cast<std::size_t>(n));
        out.Write(buf.data(), static_cast<std::size_t>(n));
        done += static_cast<std::uint64_t>(n);
        if (progress_ && !progress_(done, std::max(total, done)))
          return Fail(xerCancelled, "Operation cancelled.");
      }
      if (got != p.size || crc != p.crc)
        return Fail(xerCrcMismatch, "The member " + p.name + " of " + ZipFilename +
                                        " does not match its checksum.");
      out.Commit();
    }
    return xerSuccess;
  } catch (const ZipFailure& f) {
    return Fail(f.code, f.message);
  } catch (const CryptoCancelled& e) {
    return Fail(xerCancelled, e.what());
  } catch (const EFileWriteError& e) {
    return Fail(e.Code == std::errc::no_space_on_device ? xerNoSpace : xerWriteError, e.what());
  } catch (const CryptoError& e) {
    return Fail(xerWriteError, e.what());
  } catch (const std::exception& e) {
    return Fail(xerWriteError, std::string("Unzip failed: ") + e.what());
  }
}

std::vector<TZipEntry> TZipArchive::ListEntries(const std::string& archive) {
  try {
    Archive za = OpenArchive(archive);
    std::vector<TZipEntry> entries;
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
      const auto idx = static_cast<zip_uint64_t>(i);
      const char* raw = zip_get_name(za.get(), idx, ZIP_FL_ENC_RAW);
      zip_stat_t st;
      if (!raw || zip_stat_index(za.get(), idx, 0, &st) != 0)
        throw CryptoError("The archive " + archive + " is damaged.");
      TZipEntry e;
      e.name = raw;
      e.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
      e.compressedSize = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
      e.encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
      entries.push_back(std::move(e));
    }
    return entries;
  } catch (const ZipFailure& f) {
    throw CryptoError(f.message);
  }
}

std::vector<std::string> TZipArchive::ListMembers(const std::string& archive) {
  try {
    Archive za = OpenArchive(archive);
    std::vector<std::string> names;
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
      const char* raw = zip_get_name(za.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
      if (!raw) throw CryptoError("The archive " + archive + " is damaged.");
      names.emplace_back(raw);
    }
    return names;
  } catch (const ZipFailure& f) {
    throw CryptoError(f.message);
  }
}

}  // namespace qorva
