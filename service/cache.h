#pragma once
// Rendered pictures on disk, bounded by size with least-recently-used
// eviction. Files are named by the request's hash and written through a
// temporary file and rename, so a reader never sees half a picture.
#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "service/form.h"

namespace sigservice {

// $XDG_CACHE_HOME/sigservice, else ~/.cache/sigservice, else a folder of the
// user's own in /tmp.
std::string DefaultCacheDir();
// Creates `path` and any missing folders above it (owner only); true when it
// is a folder afterwards.
bool MakeDirs(const std::string& path);

class PictureCache {
 public:
  // Creates dir if needed and indexes the pictures already there (oldest
  // first by modification time), then evicts down to maxBytes.
  PictureCache(std::string dir, std::uint64_t maxBytes);

  const std::string& Dir() const { return dir_; }
  // The picture's bytes, or nothing when it is not (or no longer) on disk.
  std::optional<std::string> Get(const std::string& name);
  // Whether the picture is on disk; counts as a use for eviction.
  bool Has(const std::string& name);
  // Writes the picture unless it is there already. False when the disk
  // refused it (full, read-only...): the caller still has the bytes.
  bool Put(const std::string& name, const std::string& png);

  // Requests behind recent names, so a picture evicted or never written
  // (full disk) is drawn again when asked for instead of being lost.
  void Remember(const std::string& name, const SignatureRequest& request);
  std::optional<SignatureRequest> Recall(const std::string& name);

  std::uint64_t Bytes();
  std::size_t Files();
  std::uint64_t Hits() { return hits_; }

 private:
  struct Entry {
    std::uint64_t size;
    std::list<std::string>::iterator lru;
  };
  std::string PathOf(const std::string& name) const { return dir_ + "/" + name + ".png"; }
  void Touch(Entry& e);
  // Forgets a picture (index, order, memory copy); its file is the caller's.
  void DropLocked(const std::string& name);
  void EvictLocked();
  // The least recent picture when `incoming` more bytes would pass the
  // bound, dropped from the index so its file can be reused; "" if none.
  std::string TakeVictimLocked(std::uint64_t incoming);

  std::string dir_;
  std::uint64_t maxBytes_;
  std::mutex mutex_;
  std::mutex writeMutex_;  // one file written (and indexed) at a time; taken before mutex_
  std::unordered_map<std::string, Entry> index_;
  std::list<std::string> lru_;  // front = most recent
  std::uint64_t total_ = 0;
  std::atomic<std::uint64_t> hits_{0};
  std::unordered_multiset<std::string> reading_;  // names whose file a Get is reading now

  // The last few pictures written, in memory: the desktop tool fetches a
  // picture right after the page that names it, so this spares a disk read.
  static constexpr std::size_t kRecentCount = 32;
  std::deque<std::pair<std::string, std::shared_ptr<const std::string>>> recent_;

  static constexpr std::size_t kRememberCount = 8192;
  std::unordered_map<std::string, std::pair<SignatureRequest, std::list<std::string>::iterator>> recipes_;
  std::list<std::string> recipeLru_;
};

}  // namespace sigservice
