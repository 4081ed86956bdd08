// Variable-length byte packets, each starting with a PacketHeader: a growable buffer holding
// packets back to back (PacketVector) and a thread-safe first-in first-out queue of packet
// copies with a semaphore that wakes a consumer (DoublePacketQueue).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>

#include "core/export.h"
#include "core/thread/sync.h"

namespace ds {

#pragma pack(push, 1)
struct PacketHeader {
  PacketHeader() : size(0), type(0) {}
  PacketHeader(std::uint32_t packet_size, std::uint16_t packet_type) : size(packet_size), type(packet_type) {}

  std::uint32_t size;  // the whole packet in bytes, header included
  std::uint16_t type;  // free for the user
};
#pragma pack(pop)
static_assert(sizeof(PacketHeader) == 6, "PacketHeader is packed");

// Raw element storage. Failure to get memory is fatal: the line is logged and the process ends.
template <class T, class SizeT>
class Allocator {
 public:
  // Room for n elements (null for 0).
  static T* allocate(SizeT n);
  static void deallocate(T* p);
  // Reallocates p to exactly n elements, keeping the contents that fit; 0 frees p and gives null.
  static T* grow(T* p, SizeT n);
  static SizeT max_size() { return static_cast<SizeT>(0xFFFFFFFFu); }
};

extern template class DS_API Allocator<unsigned char, unsigned int>;
using ByteAllocator = Allocator<unsigned char, unsigned int>;

// Packets back to back between the read and the write offset. Space before the read offset is
// reused only once the vector is empty again. Every operation holds `lock` (when given) for its
// whole duration.
class DS_API PacketVector {
 public:
  explicit PacketVector(std::uint32_t size, LockBase* lock = nullptr);
  ~PacketVector();

  // Appends a copy of the packet's `size` bytes, growing the buffer when needed. 0 when the
  // packet is null or malformed (size below the header's) or the buffer cannot grow that far.
  int Push(const PacketHeader* packet);
  // The packet at the read offset, or null when empty. Valid until the next change.
  PacketHeader* Front();
  // Copies the packet at the read offset into `buffer` when it fits in `length` bytes: 1 on copy,
  // 0 when empty or too small (the packet stays).
  int Front(void* buffer, std::uint32_t length);
  // Drops the packet at the read offset; an emptied vector starts again at offset 0.
  void Pop();
  void Clear();
  int IsEmpty();
  // Reallocates the buffer to `size` bytes. 0 (nothing changed) when the stored packets would
  // not fit.
  int Increase(std::uint32_t size);

  std::uint32_t Capacity();
  std::uint32_t ReadOffset();
  std::uint32_t WriteOffset();

  PacketVector(const PacketVector&) = delete;
  PacketVector& operator=(const PacketVector&) = delete;

 private:
  std::uint32_t read_ = 0;
  std::uint32_t write_ = 0;
  std::uint32_t capacity_ = 0;
  unsigned char* buffer_ = nullptr;
  LockBase* lock_;
};

// A queue of heap copies of packets shared by producer and consumer threads. Push and Pop
// release the semaphore once each; it holds at most one signal, so a consumer that wakes drains
// the queue until IsEmpty() instead of counting signals.
class DS_API DoublePacketQueue {
 public:
  // `size` is accepted for compatibility; every packet is held in a copy of its own.
  explicit DoublePacketQueue(std::uint32_t size = 0);
  ~DoublePacketQueue();

  // Queues a copy of the packet and releases the semaphore. 0 for a null or malformed packet
  // (size below the header's) or when no memory is left.
  int Push(const PacketHeader* packet);
  // The oldest packet, or null when empty. Valid until it is popped or the queue is cleared,
  // so only the consumer that pops should hold it.
  PacketHeader* Front();
  // Copies the oldest packet into `buffer` when it fits in `length` bytes: 1 on copy, 0 when
  // empty or too small (the packet stays queued).
  int Front(void* buffer, std::uint32_t length);
  // Frees and removes the oldest packet (if any), then releases the semaphore.
  void Pop();
  // Frees every queued packet.
  void Clear();
  // Moves every queued packet, oldest first, to the end of `out` in one step under the lock,
  // so a consumer can take a whole batch at once. Stops at the first packet `out` cannot take
  // (it stays queued). Returns the number moved.
  int Swap(PacketVector* out);
  int IsEmpty() const;
  std::uint32_t Count() const;
  SimpleSemaphore* GetSemaphore() { return &semaphore_; }

  DoublePacketQueue(const DoublePacketQueue&) = delete;
  DoublePacketQueue& operator=(const DoublePacketQueue&) = delete;

 private:
  void FreeFront();

  SimpleLock lock_;
  std::deque<PacketHeader*> packets_;
  std::atomic<std::uint32_t> count_{0};
  SimpleSemaphore semaphore_;
};

}  // namespace ds
