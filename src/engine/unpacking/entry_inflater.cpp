#include "engine/unpacking/entry_inflater.h"

#include <utility>

#include "common/answering_wait.h"

namespace {

constexpr int kShortData = -1;
// The writer wakes this often while it waits, to answer its windows.
constexpr DWORD kAnswerEveryMs = 20;

// Holds an SRW lock exclusively while it lives.
class Locked {
 public:
  explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~Locked() { ReleaseSRWLockExclusive(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace

EntryInflater::EntryInflater(unzFile archive, std::vector<InflaterEntry> entries,
                             std::size_t piece_size)
    : archive_(archive), entries_(std::move(entries)), piece_size_(piece_size) {
  thread_ = std::thread([this] { Run(); });
}

EntryInflater::~EntryInflater() { Finish(); }

int EntryInflater::Finish() {
  {
    Locked locked(lock_);
    stopped_ = true;
  }
  WakeAllConditionVariable(&changed_);
  if (thread_.joinable()) thread_.join();
  return walk_error_;
}

// The slim lock and condition variable wait in the process itself, without
// a kernel object per wait.
bool EntryInflater::Push(InflatedPiece&& piece) {
  Locked locked(lock_);
  while (!stopped_ && !pieces_.empty() &&
         bytes_in_flight_ + piece.bytes.size() > kInflatedBytesInFlight) {
    SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
  }
  if (stopped_) return false;
  bytes_in_flight_ += piece.bytes.size();
  if (bytes_in_flight_ > peak_bytes_) peak_bytes_ = bytes_in_flight_;
  pieces_.push_back(std::move(piece));
  WakeAllConditionVariable(&changed_);
  return true;
}

InflatedPiece EntryInflater::Next() {
  Locked locked(lock_);
  while (pieces_.empty()) {
    // A walk that ended before the piece waited for: the archive could
    // not be walked to the entry.
    if (ended_) {
      InflatedPiece failed;
      failed.last = true;
      failed.error = UNZ_BADZIPFILE;
      return failed;
    }
    // The lock is let go while the windows are answered.
    if (!SleepConditionVariableSRW(&changed_, &lock_, kAnswerEveryMs, 0)) {
      ReleaseSRWLockExclusive(&lock_);
      AnswerNowAndThen();
      AcquireSRWLockExclusive(&lock_);
    }
  }
  InflatedPiece piece = std::move(pieces_.front());
  pieces_.pop_front();
  bytes_in_flight_ -= piece.bytes.size();
  WakeAllConditionVariable(&changed_);
  return piece;
}

void EntryInflater::Recycle(std::vector<char>&& bytes) {
  Locked locked(lock_);
  if (spare_.size() < 4) spare_.push_back(std::move(bytes));
}

// Inflates one entry's data into pieces; false when the walk is to end: the
// data was faulty or the writer stopped it.
bool EntryInflater::InflateEntry(const InflaterEntry& entry) {
  int error = unzOpenCurrentFilePassword(archive_, nullptr);
  unsigned long long inflated = 0;
  while (error == UNZ_OK) {
    InflatedPiece piece;
    {
      Locked locked(lock_);
      if (!spare_.empty()) {
        piece.bytes = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    piece.bytes.resize(piece_size_);
    const int read = unzReadCurrentFile(archive_, piece.bytes.data(),
                                        static_cast<unsigned>(piece_size_));
    if (read <= 0) {
      if (read < 0) error = read;
      else if (inflated != entry.declared_size) error = kShortData;
      break;
    }
    piece.bytes.resize(static_cast<std::size_t>(read));
    inflated += static_cast<unsigned long long>(read);
    if (!Push(std::move(piece))) return false;
  }
  const int closed = unzCloseCurrentFile(archive_);
  if (error == UNZ_OK) error = closed;
  InflatedPiece last;
  last.last = true;
  last.error = error;
  return Push(std::move(last)) && error == 0;
}

void EntryInflater::Run() {
  int walk_error = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (i > 0 && unzGoToNextFile(archive_) != UNZ_OK) {
      walk_error = UNZ_BADZIPFILE;
      break;
    }
    if (entries_[i].wanted && !InflateEntry(entries_[i])) break;
  }
  {
    Locked locked(lock_);
    walk_error_ = walk_error;
    ended_ = true;
  }
  WakeAllConditionVariable(&changed_);
}
