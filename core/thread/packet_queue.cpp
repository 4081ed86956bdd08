#include "core/thread/packet_queue.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "core/log/logger.h"

namespace ds {

// ---------------------------------------------------------------------------------------------
// Allocator

template <class T, class SizeT>
T* Allocator<T, SizeT>::allocate(SizeT n) {
  return n == 0 ? nullptr : grow(nullptr, n);
}

template <class T, class SizeT>
void Allocator<T, SizeT>::deallocate(T* p) {
  std::free(p);
}

template <class T, class SizeT>
T* Allocator<T, SizeT>::grow(T* p, SizeT n) {
  if (n == 0) {
    std::free(p);
    return nullptr;
  }
  void* block = std::realloc(p, static_cast<std::size_t>(n) * sizeof(T));
  if (block == nullptr) {
    LogFatal("ds::Allocator<unsigned char,unsigned int>::grow")(
        "[Allocator::grow] can not allocate memory, size = %d.\r\n", static_cast<int>(n));
  }
  return static_cast<T*>(block);
}

template class Allocator<unsigned char, unsigned int>;

// ---------------------------------------------------------------------------------------------
// PacketVector

PacketVector::PacketVector(std::uint32_t size, LockBase* lock) : lock_(lock) {
  buffer_ = ByteAllocator::allocate(size);
  capacity_ = size;
}

PacketVector::~PacketVector() { ByteAllocator::deallocate(buffer_); }

int PacketVector::Push(const PacketHeader* packet) {
  LockGuard guard(lock_);
  if (packet == nullptr) return 0;
  const std::uint32_t size = packet->size;
  if (size < sizeof(PacketHeader)) {
    LogWarn("ds::PacketVector::Push")("bad packet size %u.", size);
    return 0;
  }

  if (capacity_ - write_ < size) {
    // Grow in steps of the current capacity (32 bytes from empty) until the packet fits.
    const std::uint64_t step = capacity_ != 0 ? capacity_ : 32u;
    const std::uint64_t missing = static_cast<std::uint64_t>(size) - (capacity_ - write_);
    const std::uint64_t growth = (missing + step - 1) / step * step;
    const std::uint64_t new_capacity = capacity_ + growth;
    if (new_capacity > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
      LogWarn("ds::PacketVector::Push")(" can not alloc memory, the size too larget.");
      return 0;
    }
    // The packet may be one of ours (Push(Front())); growing moves it with the buffer.
    const unsigned char* source = reinterpret_cast<const unsigned char*>(packet);
    const bool inside = buffer_ != nullptr && source >= buffer_ && source < buffer_ + capacity_;
    const std::uint32_t offset = inside ? static_cast<std::uint32_t>(source - buffer_) : 0;
    buffer_ = ByteAllocator::grow(buffer_, static_cast<std::uint32_t>(new_capacity));
    capacity_ = static_cast<std::uint32_t>(new_capacity);
    if (inside) packet = reinterpret_cast<const PacketHeader*>(buffer_ + offset);
  }

  std::memcpy(buffer_ + write_, packet, size);
  write_ += size;
  return 1;
}

PacketHeader* PacketVector::Front() {
  LockGuard guard(lock_);
  if (read_ == write_) return nullptr;
  return reinterpret_cast<PacketHeader*>(buffer_ + read_);
}

int PacketVector::Front(void* buffer, std::uint32_t length) {
  LockGuard guard(lock_);
  if (read_ == write_ || buffer == nullptr) return 0;
  const PacketHeader* packet = reinterpret_cast<const PacketHeader*>(buffer_ + read_);
  if (length < packet->size) return 0;
  std::memcpy(buffer, packet, packet->size);
  return 1;
}

void PacketVector::Pop() {
  LockGuard guard(lock_);
  if (read_ == write_) return;
  const std::uint32_t size = reinterpret_cast<const PacketHeader*>(buffer_ + read_)->size;
  // A header changed in place through Front() could point outside the stored bytes; nothing
  // after it can be trusted then.
  if (size < sizeof(PacketHeader) || size > write_ - read_) {
    read_ = write_ = 0;
    return;
  }
  read_ += size;
  if (read_ == write_) read_ = write_ = 0;
}

void PacketVector::Clear() {
  LockGuard guard(lock_);
  read_ = write_ = 0;
}

int PacketVector::IsEmpty() {
  LockGuard guard(lock_);
  return read_ == write_ ? 1 : 0;
}

int PacketVector::Increase(std::uint32_t size) {
  LockGuard guard(lock_);
  // Shrinking below the stored packets would cut them off.
  if (size < write_) return 0;
  buffer_ = ByteAllocator::grow(buffer_, size);
  capacity_ = size;
  return 1;
}

std::uint32_t PacketVector::Capacity() {
  LockGuard guard(lock_);
  return capacity_;
}

std::uint32_t PacketVector::ReadOffset() {
  LockGuard guard(lock_);
  return read_;
}

std::uint32_t PacketVector::WriteOffset() {
  LockGuard guard(lock_);
  return write_;
}

// ---------------------------------------------------------------------------------------------
// DoublePacketQueue

DoublePacketQueue::DoublePacketQueue(std::uint32_t /*size*/) {}

DoublePacketQueue::~DoublePacketQueue() { Clear(); }

int DoublePacketQueue::Push(const PacketHeader* packet) {
  if (packet == nullptr) return 0;
  const std::uint32_t size = packet->size;
  if (size < sizeof(PacketHeader)) {
    LogWarn("ds::DoublePacketQueue::Push")("bad packet size %u.", size);
    return 0;
  }
  unsigned char* copy = new (std::nothrow) unsigned char[size];
  if (copy == nullptr) return 0;
  std::memcpy(copy, packet, size);

  LockGuard guard(&lock_);
  packets_.push_back(reinterpret_cast<PacketHeader*>(copy));
  count_.store(static_cast<std::uint32_t>(packets_.size()), std::memory_order_release);
  semaphore_.Release();
  return 1;
}

PacketHeader* DoublePacketQueue::Front() {
  LockGuard guard(&lock_);
  return packets_.empty() ? nullptr : packets_.front();
}

int DoublePacketQueue::Front(void* buffer, std::uint32_t length) {
  LockGuard guard(&lock_);
  if (packets_.empty() || buffer == nullptr) return 0;
  const PacketHeader* packet = packets_.front();
  if (length < packet->size) return 0;
  std::memcpy(buffer, packet, packet->size);
  return 1;
}

void DoublePacketQueue::FreeFront() {
  delete[] reinterpret_cast<unsigned char*>(packets_.front());
  packets_.pop_front();
  count_.store(static_cast<std::uint32_t>(packets_.size()), std::memory_order_release);
}

void DoublePacketQueue::Pop() {
  LockGuard guard(&lock_);
  if (!packets_.empty()) FreeFront();
  semaphore_.Release();
}

void DoublePacketQueue::Clear() {
  LockGuard guard(&lock_);
  while (!packets_.empty()) FreeFront();
}

int DoublePacketQueue::Swap(PacketVector* out) {
  if (out == nullptr) return 0;
  LockGuard guard(&lock_);
  int moved = 0;
  while (!packets_.empty() && out->Push(packets_.front())) {
    FreeFront();
    ++moved;
  }
  return moved;
}

int DoublePacketQueue::IsEmpty() const { return count_.load(std::memory_order_acquire) == 0 ? 1 : 0; }

std::uint32_t DoublePacketQueue::Count() const { return count_.load(std::memory_order_acquire); }

}  // namespace ds
