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

// The processors this process may run on: on one, a second thread would
// only take turns with the first.
int ProcessorsToRunOn() {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 1;
  int count = 0;
  for (; process != 0; process &= process - 1) ++count;
  return count;
}

}  // namespace

EntryInflater::EntryInflater(unzFile archive, std::vector<InflaterEntry> entries,
                             std::size_t piece_size)
    : archive_(archive), entries_(std::move(entries)), piece_size_(piece_size) {
  if (ProcessorsToRunOn() > 1) thread_ = std::thread([this] { Run(); });
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
  // Without a thread of its own, the walk goes a step whenever the writer
  // has nothing to write.
  while (!thread_.joinable() && pieces_.empty() && !ended_) ended_ = !Step();
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

InflatedPiece EntryInflater::SparePiece() {
  InflatedPiece piece;
  Locked locked(lock_);
  if (!spare_.empty()) {
    piece.bytes = std::move(spare_.back());
    spare_.pop_back();
  }
  return piece;
}

bool EntryInflater::Advance() {
  ++index_;
  if (index_ < entries_.size() && unzGoToNextFile(archive_) != UNZ_OK) {
    walk_error_ = UNZ_BADZIPFILE;
    return false;
  }
  return true;
}

// Closes the entry's data (the CRC of an entry read whole is checked then)
// and pushes its last piece; the walk goes on after an entry without fault.
bool EntryInflater::EndEntry(int error) {
  const int closed = unzCloseCurrentFile(archive_);
  opened_ = false;
  if (error == UNZ_OK) error = closed;
  InflatedPiece last;
  last.last = true;
  last.error = error;
  return Push(std::move(last)) && error == UNZ_OK && Advance();
}

bool EntryInflater::Step() {
  while (index_ < entries_.size() && !entries_[index_].wanted) {
    if (!Advance()) return false;
  }
  if (index_ >= entries_.size()) return false;
  if (!opened_) {
    const int error = unzOpenCurrentFilePassword(archive_, nullptr);
    if (error != UNZ_OK) return EndEntry(error);
    opened_ = true;
    inflated_ = 0;
  }
  InflatedPiece piece = SparePiece();
  // A piece's room is filled by the inflating alone, never cleared first.
  if (piece.bytes.size() != piece_size_) piece.bytes.resize(piece_size_);
  const int read =
      unzReadCurrentFile(archive_, piece.bytes.data(), static_cast<unsigned>(piece_size_));
  if (read < 0) return EndEntry(read);
  if (read == 0) return EndEntry(inflated_ == entries_[index_].declared_size ? 0 : kShortData);
  piece.length = static_cast<std::size_t>(read);
  inflated_ += static_cast<unsigned long long>(read);
  return Push(std::move(piece));
}

void EntryInflater::Run() {
  while (Step()) {
  }
  {
    Locked locked(lock_);
    ended_ = true;
  }
  WakeAllConditionVariable(&changed_);
}
