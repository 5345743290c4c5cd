// Inflating the archive's entries on a thread of their own while the
// wizard's thread writes what is inflated: on two cores the two overlap.
#pragma once

#include <windows.h>

#include <cstddef>
#include <deque>
#include <thread>
#include <vector>

#include "unzip.h"

// At most this many inflated bytes wait for the writer at a time (one
// piece more when a single piece is larger), so that memory stays bounded
// however large the archive is.
constexpr std::size_t kInflatedBytesInFlight = 32 * 1024 * 1024;

// One piece of an entry's data, in order; the last piece of an entry
// carries no bytes and the entry's result: 0, or the read, inflate or CRC
// error, or -1 for data that ended before the entry's declared size
// (minizip reports such an early end as the end of the data, and checks
// the CRC only of an entry read to its declared size).
struct InflatedPiece {
  std::vector<char> bytes;  // a whole piece's room, reused, never filled
  std::size_t length = 0;   // how much of it holds data
  bool last = false;
  int error = 0;
};

// What the inflater does with each entry, in archive order.
struct InflaterEntry {
  bool wanted = false;  // its data is wanted; otherwise it is passed over
  unsigned long declared_size = 0;
};

// Walks the archive (at its first entry; nothing else uses it until this
// is finished) on a thread of its own, where there is more than one
// processor to run on, and inflates the data of every
// wanted entry of entries, piece by piece. It stops after an entry whose
// data is faulty.
class EntryInflater {
 public:
  EntryInflater(unzFile archive, std::vector<InflaterEntry> entries, std::size_t piece_size);
  ~EntryInflater();
  EntryInflater(const EntryInflater&) = delete;
  EntryInflater& operator=(const EntryInflater&) = delete;

  // The next piece of the wanted entries' data; waits for it, answering
  // the thread's windows meanwhile. A walk that ended before it gives a
  // last piece with UNZ_BADZIPFILE.
  InflatedPiece Next();
  // Gives a piece's memory back for the next piece.
  void Recycle(std::vector<char>&& bytes);
  // Stops the walk and waits for the thread. 0, or UNZ_BADZIPFILE when the
  // walk could not move from entry to entry.
  int Finish();
  // The most inflated bytes that waited at a time.
  std::size_t peak_bytes() const { return peak_bytes_; }

 private:
  // One step of the walk: one piece of a wanted entry's data, or its end,
  // is pushed. False when the walk is over: every entry walked, a fault,
  // or the writer stopped it.
  bool Step();
  bool EndEntry(int error);
  // To the next entry; false, with walk_error_, when the archive cannot
  // be walked there.
  bool Advance();
  InflatedPiece SparePiece();
  void Run();
  bool Push(InflatedPiece&& piece);

  unzFile archive_;
  std::vector<InflaterEntry> entries_;
  std::size_t piece_size_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
  std::deque<InflatedPiece> pieces_;
  std::vector<std::vector<char>> spare_;
  std::size_t bytes_in_flight_ = 0;
  std::size_t peak_bytes_ = 0;
  bool stopped_ = false;  // the writer wants no more
  bool ended_ = false;    // the walk is over
  int walk_error_ = 0;
  // Where the walk stands: the entry, whether its data is open, how much
  // of it was inflated.
  std::size_t index_ = 0;
  bool opened_ = false;
  unsigned long long inflated_ = 0;
  // Started only where the process may run on more than one processor;
  // otherwise the writer's Next inflates when it needs data.
  std::thread thread_;
};
