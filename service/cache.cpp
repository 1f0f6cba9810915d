#include "service/cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace sigservice {
namespace {

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool MakeDirs(const std::string& path) {
  std::string partial;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string DefaultCacheDir() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/sigservice";
  if (const char* home = std::getenv("HOME"); home && *home == '/') return std::string(home) + "/.cache/sigservice";
  return "/tmp/sigservice-" + std::to_string(getuid());
}

PictureCache::PictureCache(std::string dir, std::uint64_t maxBytes) : dir_(std::move(dir)), maxBytes_(maxBytes) {
  while (dir_.size() > 1 && dir_.back() == '/') dir_.pop_back();
  if (!MakeDirs(dir_)) throw std::runtime_error("cannot create the cache folder " + dir_ + ": " + std::strerror(errno));
  struct Found {
    std::string name;
    std::uint64_t size;
    timespec mtime;
  };
  std::vector<Found> found;
  DIR* d = opendir(dir_.c_str());
  if (!d) throw std::runtime_error("cannot read the cache folder " + dir_ + ": " + std::strerror(errno));
  while (dirent* ent = readdir(d)) {
    std::string file = ent->d_name;
    if (file.rfind(".tmp-", 0) == 0) {
      unlinkat(dirfd(d), file.c_str(), 0);  // left by a write that never finished
      continue;
    }
    if (file.size() != 36 || file.compare(32, 4, ".png") != 0 || !IsPictureName(file.substr(0, 32))) continue;
    struct stat st {};
    if (fstatat(dirfd(d), file.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    found.push_back({file.substr(0, 32), static_cast<std::uint64_t>(st.st_size), st.st_mtim});
  }
  closedir(d);
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return a.mtime.tv_sec != b.mtime.tv_sec ? a.mtime.tv_sec > b.mtime.tv_sec : a.mtime.tv_nsec > b.mtime.tv_nsec;
  });
  for (auto& f : found) {
    lru_.push_back(f.name);
    index_[f.name] = {f.size, std::prev(lru_.end())};
    total_ += f.size;
  }
  std::lock_guard lock(mutex_);
  EvictLocked();
}

void PictureCache::Touch(Entry& e) { lru_.splice(lru_.begin(), lru_, e.lru); }

void PictureCache::DropLocked(const std::string& name) {
  for (auto r = recent_.begin(); r != recent_.end(); ++r) {
    if (r->first == name) {
      recent_.erase(r);
      break;
    }
  }
  auto it = index_.find(name);
  total_ -= it->second.size;
  lru_.erase(it->second.lru);
  index_.erase(it);
}

void PictureCache::EvictLocked() {
  while (total_ > maxBytes_ && !lru_.empty()) {
    const std::string victim = lru_.back();
    unlink(PathOf(victim).c_str());
    DropLocked(victim);
  }
}

std::string PictureCache::TakeVictimLocked(std::uint64_t incoming) {
  if (total_ + incoming <= maxBytes_ || lru_.empty()) return {};
  std::string victim = lru_.back();
  // A reader holding the file open would see it rewritten under it; that
  // one is unlinked as usual instead, which leaves the reader its bytes.
  if (reading_.count(victim)) return {};
  DropLocked(victim);
  return victim;
}

std::optional<std::string> PictureCache::Get(const std::string& name) {
  if (!IsPictureName(name)) return std::nullopt;
  {
    std::lock_guard lock(mutex_);
    auto it = index_.find(name);
    if (it == index_.end()) return std::nullopt;
    Touch(it->second);
    ++hits_;
    for (const auto& [recentName, bytes] : recent_)
      if (recentName == name) return *bytes;
    reading_.insert(name);
  }
  // Read outside the lock; a concurrent eviction may unlink the file first,
  // which reads as a miss and the caller draws the picture again. While this
  // read is on, the file is not recycled for another picture.
  struct Done {
    PictureCache* cache;
    const std::string& name;
    ~Done() {
      std::lock_guard lock(cache->mutex_);
      cache->reading_.erase(cache->reading_.find(name));
    }
  } done{this, name};
  int fd = open(PathOf(name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  struct stat st {};
  if (fstat(fd, &st) == 0 && st.st_size > 0 && st.st_size < (64 << 20)) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
  }
  close(fd);
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

bool PictureCache::Has(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto it = index_.find(name);
  if (it == index_.end()) return false;
  Touch(it->second);
  ++hits_;
  return true;
}

bool PictureCache::Put(const std::string& name, const std::string& png) {
  if (!IsPictureName(name) || png.empty()) return false;
  auto held = [&] {
    std::lock_guard lock(mutex_);
    auto it = index_.find(name);
    if (it == index_.end()) return false;
    Touch(it->second);
    return true;
  };
  if (held()) return true;
  if (png.size() > maxBytes_) return false;
  // Creating and renaming both hold the folder's lock in the kernel, and a
  // second writer spins on it while the first one allocates an inode (slow on
  // a file system that skips recently freed inodes): writers queue here
  // asleep instead. Writing, indexing and evicting under the one lock also
  // keeps an eviction from unlinking a file between its rename and its entry.
  std::lock_guard writing(writeMutex_);
  if (held()) return true;  // another thread wrote the same picture meanwhile
  // Once the cache is full, each new picture takes over the file of the one
  // it evicts instead of deleting one file and creating another: on some
  // file systems (ext4 without a journal) a new file skips every inode freed
  // in the last minutes, and a full cache frees one per picture, so creating
  // files grew to a quarter of the cost of drawing the picture.
  std::string victim;
  {
    std::lock_guard lock(mutex_);
    victim = TakeVictimLocked(png.size());
  }
  std::string tmp;
  int fd = -1;
  bool reused = false;
  if (!victim.empty()) {
    tmp = dir_ + "/.tmp-" + std::to_string(getpid()) + "-reused";
    if (rename(PathOf(victim).c_str(), tmp.c_str()) == 0) {
      // Written over and then cut to length rather than truncated first:
      // pictures are much the same size, so the file keeps its blocks
      // (truncating and growing again cost four times as much).
      fd = open(tmp.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
      reused = fd >= 0;
      if (!reused) unlink(tmp.c_str());
    } else {
      unlink(PathOf(victim).c_str());
    }
  }
  if (fd < 0) {
    tmp = dir_ + "/.tmp-XXXXXX";
    fd = mkostemp(tmp.data(), O_CLOEXEC);
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, png) && (!reused || ftruncate(fd, static_cast<off_t>(png.size())) == 0);
  ok = (close(fd) == 0) && ok;
  if (!ok || rename(tmp.c_str(), PathOf(name).c_str()) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  std::lock_guard lock(mutex_);
  lru_.push_front(name);
  index_[name] = {png.size(), lru_.begin()};
  total_ += png.size();
  recent_.emplace_front(name, std::make_shared<const std::string>(png));
  if (recent_.size() > kRecentCount) recent_.pop_back();
  EvictLocked();
  return true;
}

void PictureCache::Remember(const std::string& name, const SignatureRequest& request) {
  std::lock_guard lock(mutex_);
  auto it = recipes_.find(name);
  if (it != recipes_.end()) {
    recipeLru_.splice(recipeLru_.begin(), recipeLru_, it->second.second);
    return;
  }
  recipeLru_.push_front(name);
  recipes_.emplace(name, std::make_pair(request, recipeLru_.begin()));
  if (recipes_.size() > kRememberCount) {
    recipes_.erase(recipeLru_.back());
    recipeLru_.pop_back();
  }
}

std::optional<SignatureRequest> PictureCache::Recall(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto it = recipes_.find(name);
  if (it == recipes_.end()) return std::nullopt;
  return it->second.first;
}

std::uint64_t PictureCache::Bytes() {
  std::lock_guard lock(mutex_);
  return total_;
}

std::size_t PictureCache::Files() {
  std::lock_guard lock(mutex_);
  return index_.size();
}

}  // namespace sigservice
