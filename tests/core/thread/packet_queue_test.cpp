#include <sys/resource.h>

#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/log/logger.h"
#include "core/thread/packet_queue.h"

namespace {

// A packet of `size` bytes whose body repeats `fill`.
std::vector<unsigned char> MakePacket(std::uint32_t size, std::uint16_t type, unsigned char fill = 0xAB) {
  std::vector<unsigned char> bytes(size, fill);
  ds::PacketHeader header(size, type);
  std::memcpy(bytes.data(), &header, sizeof(header));
  return bytes;
}

const ds::PacketHeader* AsPacket(const std::vector<unsigned char>& bytes) {
  return reinterpret_cast<const ds::PacketHeader*>(bytes.data());
}

bool SamePacket(const ds::PacketHeader* packet, const std::vector<unsigned char>& bytes) {
  return packet != nullptr && packet->size == bytes.size() && std::memcmp(packet, bytes.data(), bytes.size()) == 0;
}

class CapturedLog : public ds::LogOutBase {
 public:
  CapturedLog() { ds::LoggerHolder::Instance()->AddAppender(this); }
  ~CapturedLog() override { ds::LoggerHolder::Instance()->RemoveAppender(this); }
  void Print(const char* line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    text_ += line;
  }
  bool IsInMe(const char*) override { return false; }
  std::string Text() {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
  }

 private:
  std::mutex mutex_;
  std::string text_;
};

TEST(PacketVectorTest, GrowsInStepsOfTheCapacityAndKeepsContents) {
  ds::PacketVector empty(0);
  ASSERT_EQ(empty.Push(AsPacket(MakePacket(40, 1))), 1);
  EXPECT_EQ(empty.Capacity(), 64u);  // two 32-byte steps

  ds::PacketVector vector(100);
  auto p90 = MakePacket(90, 2, 0x11), p30 = MakePacket(30, 3, 0x22), big = MakePacket(450, 4, 0x33);
  ASSERT_EQ(vector.Push(AsPacket(p90)), 1);
  EXPECT_EQ(vector.Capacity(), 100u);
  ASSERT_EQ(vector.Push(AsPacket(p30)), 1);
  EXPECT_EQ(vector.Capacity(), 200u);
  ASSERT_EQ(vector.Push(AsPacket(big)), 1);
  EXPECT_EQ(vector.Capacity(), 600u);  // several steps at once
  EXPECT_EQ(vector.Increase(500), 0);  // would cut off stored packets
  EXPECT_EQ(vector.Increase(700), 1);

  for (const auto* expected : {&p90, &p30, &big}) {
    EXPECT_TRUE(SamePacket(vector.Front(), *expected));
    vector.Pop();
  }
  EXPECT_EQ(vector.IsEmpty(), 1);
  EXPECT_EQ(vector.Front(), nullptr);
}

// Re-queueing the front packet (Push(Front())) while the buffer has to grow: the source lies in
// the buffer that growing frees.
TEST(PacketVectorTest, PushingItsOwnFrontPacketSurvivesGrowth) {
  ds::PacketVector vector(256);
  std::vector<unsigned char> blocker(64, 1);  // sits after the buffer, so it cannot grow in place
  auto packet = MakePacket(256, 5, 0x5A);
  ASSERT_EQ(vector.Push(AsPacket(packet)), 1);
  ASSERT_EQ(vector.Push(vector.Front()), 1);
  EXPECT_EQ(vector.Capacity(), 512u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(SamePacket(vector.Front(), packet)) << i;
    vector.Pop();
  }
  EXPECT_EQ(vector.IsEmpty(), 1);
  EXPECT_EQ(blocker[0], 1);
}

TEST(PacketVectorTest, OffsetsResetAndFrontCopy) {
  ds::SimpleLock lock;
  ds::PacketVector vector(64, &lock);
  auto a = MakePacket(12, 1, 0x01);
  vector.Push(AsPacket(a));
  vector.Push(AsPacket(MakePacket(20, 2)));

  unsigned char out[16] = {0};
  EXPECT_EQ(vector.Front(out, 11), 0);  // too small: nothing copied, packet stays
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(vector.Front(out, 12), 1);
  EXPECT_EQ(std::memcmp(out, a.data(), 12), 0);

  vector.Pop();
  EXPECT_EQ(vector.ReadOffset(), 12u);
  vector.Pop();
  EXPECT_EQ(vector.ReadOffset(), 0u);
  EXPECT_EQ(vector.WriteOffset(), 0u);
  EXPECT_EQ(vector.Front(out, 16), 0);

  // The drained buffer is used from its beginning again: 60 bytes fit without growing.
  vector.Push(AsPacket(MakePacket(60, 3)));
  EXPECT_EQ(vector.WriteOffset(), 60u);
  EXPECT_EQ(vector.Capacity(), 64u);
  vector.Clear();
  EXPECT_EQ(vector.IsEmpty(), 1);
}

TEST(PacketVectorTest, RejectsMalformedAndOversizedPackets) {
  CapturedLog log;
  ds::PacketVector vector(16);
  EXPECT_EQ(vector.Push(nullptr), 0);
  for (std::uint32_t size : {0u, 5u}) {  // below the header: Pop could never move past it
    ds::PacketHeader bad(size, 1);
    EXPECT_EQ(vector.Push(&bad), 0) << size;
  }
  ds::PacketHeader header_only(6, 9);
  EXPECT_EQ(vector.Push(&header_only), 1);

  // Only the header exists in memory: the vector must refuse before copying the claimed size.
  ds::PacketHeader huge(0x90000000u, 1);
  EXPECT_EQ(vector.Push(&huge), 0);
  EXPECT_EQ(vector.WriteOffset(), 6u);
  EXPECT_EQ(vector.Capacity(), 16u);
  EXPECT_NE(log.Text().find("[Warn] [ds::PacketVector::Push]  can not alloc memory, the size too larget.\n"),
            std::string::npos)
      << log.Text();
}

// Runs in the death-test child: with the address space capped, a 2 GB block cannot be had.
void GrowBeyondTheAddressSpace() {
  static ds::LogOut2Debug to_stderr;
  ds::LoggerHolder::Instance()->AddAppender(&to_stderr);
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max = 1u << 30;
  setrlimit(RLIMIT_AS, &limit);
  ds::ByteAllocator::grow(nullptr, 0x7FFFFFF0u);
}

TEST(AllocatorDeathTest, FailedGrowIsFatal) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizers reserve more address space than the cap allows";
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(GrowBeyondTheAddressSpace(), ::testing::ExitedWithCode(0),
              "\\[Fatal\\] \\[ds::Allocator<unsigned char,unsigned int>::grow\\] \\[Allocator::grow\\] can not "
              "allocate memory, size = 2147483632\\.");
}

TEST(DoublePacketQueueTest, FrontClearAndSwapWorkOnTheQueuedCopies) {
  ds::DoublePacketQueue queue(64);
  auto a = MakePacket(12, 1, 0x01), b = MakePacket(40, 2, 0x02), c = MakePacket(7, 3, 0x03);
  ds::PacketHeader bad(3, 9);
  EXPECT_EQ(queue.Push(&bad), 0);
  ASSERT_EQ(queue.Push(AsPacket(a)), 1);
  ASSERT_EQ(queue.Push(AsPacket(b)), 1);
  ASSERT_EQ(queue.Push(AsPacket(c)), 1);
  auto original = a;
  a.assign(a.size(), 0xFF);  // the queue holds its own copy
  EXPECT_EQ(queue.Count(), 3u);

  unsigned char out[64];
  EXPECT_EQ(queue.Front(out, 11), 0);
  EXPECT_EQ(queue.Front(out, sizeof(out)), 1);
  EXPECT_EQ(std::memcmp(out, original.data(), original.size()), 0);
  queue.Pop();

  ds::PacketVector batch(0);
  EXPECT_EQ(queue.Swap(&batch), 2);
  EXPECT_EQ(queue.IsEmpty(), 1);
  EXPECT_TRUE(SamePacket(batch.Front(), b));
  batch.Pop();
  EXPECT_TRUE(SamePacket(batch.Front(), c));

  queue.Push(AsPacket(b));
  queue.Clear();
  EXPECT_EQ(queue.IsEmpty(), 1);
  EXPECT_EQ(queue.Front(), nullptr);
  EXPECT_EQ(queue.Front(out, sizeof(out)), 0);
}

// One producer, one consumer woken by the semaphore. The semaphore holds one signal at most,
// so the consumer drains on every wake; no packet may be lost, reordered or altered.
TEST(DoublePacketQueueTest, ProducerAndConsumerOnTwoThreads) {
  constexpr std::uint32_t kPackets = 6000;
  auto packet_of = [](std::uint32_t i) {
    auto bytes = MakePacket(10 + i % 90, static_cast<std::uint16_t>(i), static_cast<unsigned char>(i));
    std::memcpy(bytes.data() + sizeof(ds::PacketHeader), &i, sizeof(i));
    return bytes;
  };
  ds::DoublePacketQueue queue(256);
  std::thread producer([&] {
    for (std::uint32_t i = 0; i < kPackets; ++i) {
      queue.Push(AsPacket(packet_of(i)));
      if (i % 500 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });

  std::uint32_t received = 0;
  int timeouts = 0;
  bool intact = true;
  while (received < kPackets && timeouts < 50 && intact) {
    if (queue.GetSemaphore()->Wait(100) == ds::kWaitTimeout) {
      ++timeouts;
      continue;
    }
    while (!queue.IsEmpty() && intact) {
      intact = SamePacket(queue.Front(), packet_of(received));
      queue.Pop();
      ++received;
    }
  }
  producer.join();
  EXPECT_TRUE(intact) << "packet " << received - 1 << " lost, reordered or altered";
  EXPECT_EQ(received, kPackets);
  EXPECT_EQ(queue.IsEmpty(), 1);
}

}  // namespace
