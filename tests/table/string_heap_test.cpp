#include "table/StringHeap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace {

using Bytes = Byte*;

Bytes New(TStringHeap& heap, Integer size) { return static_cast<Bytes>(heap.NewBuf(size)); }

template <typename E, typename F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  return "<no exception>";
}

TEST(StringHeap, SizeClassesAndLargeBuffers) {
  TStringHeap heap;
  EXPECT_TRUE(heap.Empty());
  EXPECT_EQ(heap.NewBuf(0), nullptr);
  EXPECT_EQ(heap.NewBuf(-5), nullptr);
  EXPECT_TRUE(heap.Empty());

  const struct {
    Integer size, capacity;
  } cases[] = {{1, 8}, {8, 8}, {9, 16}, {100, 104}, {1993, 2000}, {2000, 2000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    Bytes p = New(heap, c.size);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(TStringHeap::Capacity(p), c.capacity);
    EXPECT_EQ(reinterpret_cast<NativeUInt>(p) % 2, 0u);
    std::memset(p, 0xAB, static_cast<size_t>(c.capacity));
  }
  EXPECT_FALSE(heap.Empty());
  EXPECT_FALSE(heap.SysGetMem());

  Bytes large = New(heap, 2001);
  EXPECT_EQ(TStringHeap::Capacity(large), 2008);
  EXPECT_EQ(reinterpret_cast<NativeUInt>(large) % 2, 0u);
  EXPECT_TRUE(heap.SysGetMem());
  std::memset(large, 'L', 2008);

  // Clear releases the blocks but leaves the large buffer to its owner.
  heap.Clear();
  EXPECT_TRUE(heap.Empty());
  EXPECT_FALSE(heap.SysGetMem());
  for (Integer i = 0; i < 2008; ++i) ASSERT_EQ(large[i], 'L');
  heap.DisposeBuf(large);
  EXPECT_TRUE(heap.Empty());

  // The heap works again after Clear.
  Bytes p = New(heap, 8);
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(heap.Empty());
}

TEST(StringHeap, SharedBufferAndClassListReuse) {
  TStringHeap heap;
  Bytes a = New(heap, 8);
  EXPECT_EQ(TStringHeap::RefCount(a), 1);
  heap.AddRef(a);
  EXPECT_EQ(TStringHeap::RefCount(a), 2);
  heap.DisposeBuf(a);  // one owner left: stays in use
  EXPECT_EQ(TStringHeap::RefCount(a), 1);
  Bytes b = New(heap, 1);
  EXPECT_NE(b, a);
  heap.DisposeBuf(a);  // back on the list of class 1
  EXPECT_EQ(TStringHeap::RefCount(a), 0);
  EXPECT_EQ(New(heap, 3), a);

  // The lists are last in, first out, and per class.
  Bytes c = New(heap, 16);
  heap.DisposeBuf(a);
  heap.DisposeBuf(b);
  heap.DisposeBuf(c);
  EXPECT_EQ(New(heap, 9), c);
  EXPECT_EQ(New(heap, 5), b);
  EXPECT_EQ(New(heap, 8), a);

  heap.AddRef(nullptr);
  heap.DisposeBuf(nullptr);
}

TEST(StringHeap, ConsistencyChecks) {
  TStringHeap heap;
  Bytes a = New(heap, 8);
  heap.DisposeBuf(a);
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { heap.DisposeBuf(a); }), "DisposeBuf failed (MemData)");
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { heap.AddRef(a); }), "AddRefStr failed (MemData)");
  // The refused double release did not put the buffer on its list twice.
  Bytes x = New(heap, 8);
  Bytes y = New(heap, 8);
  EXPECT_EQ(x, a);
  EXPECT_NE(y, a);

  // A buffer whose capacity names no class is refused and left as it was.
  alignas(8) Byte fake[16] = {};
  const Integer capacity = 4;
  const Word ref = TStringHeap::RefNull;
  std::memcpy(fake + 2, &capacity, 4);
  std::memcpy(fake + 6, &ref, 2);
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { heap.DisposeBuf(fake + 8); }),
            "SmallTab in DisposeBuf failed (MemData)");
  Word after;
  std::memcpy(&after, fake + 6, 2);
  EXPECT_EQ(after, TStringHeap::RefNull);

  // The reference word cannot wrap round to "free".
  Bytes s = New(heap, 8);
  const Integer owners = 0xFFFF - TStringHeap::RefNull + 1;
  for (Integer i = 1; i < owners; ++i) heap.AddRef(s);
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { heap.AddRef(s); }), "AddRefStr failed (MemData)");
  for (Integer i = 1; i < owners; ++i) heap.DisposeBuf(s);
  EXPECT_NE(New(heap, 8), s);  // one owner left
  heap.DisposeBuf(s);
  EXPECT_EQ(New(heap, 8), s);
}

TEST(StringHeap, OversizedRequestsAreRefused) {
  TStringHeap heap;
  EXPECT_EQ(MessageOf<EOutOfMemory>([&] { heap.NewBuf(TStringHeap::MaxBufSize + 1); }), "Out of memory");
  EXPECT_EQ(MessageOf<EOutOfMemory>([&] { heap.NewBuf(INT_MAX); }), "Out of memory");
  EXPECT_THROW(heap.AllocStr("x", false, INT_MAX), EOutOfMemory);
  EXPECT_THROW(heap.AllocWideStr(u"x", false, INT_MAX), EOutOfMemory);
  EXPECT_THROW(heap.AllocWideStr(u"x", false, TStringHeap::MaxBufSize / 2), EOutOfMemory);
  EXPECT_TRUE(heap.Empty());
}

// Block data area is 16380 bytes and each buffer takes its capacity plus a
// 6-byte header; the cases steer the free space left in the first block.
TEST(StringHeap, BlockTail) {
  const Integer area = 16380;
  const struct {
    const char* name;
    std::vector<Integer> before;
    Integer request, capacity;
    bool nextAdjacent;  // the next 8-byte buffer follows in the same block
  } cases[] = {
      // 332 left: 326 used, a remainder of 6 gives nothing and ends the block.
      {"remainder 6", {2000, 2000, 2000, 2000, 2000, 2000, 2000, 2000}, 320, 320, false},
      // 318 left: 310 used, the remainder of 8 joins the buffer.
      {"remainder 8 joins", {8, 2000, 2000, 2000, 2000, 2000, 2000, 2000, 2000}, 304, 312, false},
      // 2014 left: 2006 used, 8 more would exceed the largest small buffer.
      {"remainder 8 too big", {8, 2000, 2000, 2000, 2000, 2000, 2000, 2000, 304}, 2000, 2000, false},
      // 332 left: 318 used, 14 left is exactly the smallest buffer.
      {"remainder 14 kept", {2000, 2000, 2000, 2000, 2000, 2000, 2000, 2000}, 312, 312, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TStringHeap heap;
    Bytes first = nullptr;
    for (Integer size : c.before) {
      Bytes p = New(heap, size);
      if (!first) first = p;
    }
    Bytes areaEnd = first - TStringHeap::HeaderSize + area;
    Bytes p = New(heap, c.request);
    EXPECT_EQ(TStringHeap::Capacity(p), c.capacity);
    EXPECT_LE(p + c.capacity, areaEnd);
    std::memset(p, 0x5A, static_cast<size_t>(c.capacity));
    Bytes next = New(heap, 8);
    std::memset(next, 0x11, 8);
    EXPECT_EQ(next == p + c.capacity + TStringHeap::HeaderSize, c.nextAdjacent);
    if (c.capacity == 312 && !c.nextAdjacent) {
      EXPECT_EQ(p + 312, areaEnd);
    }
    // A buffer that took the remainder goes back to its larger class.
    heap.DisposeBuf(p);
    EXPECT_EQ(New(heap, c.capacity - 7), p);
  }
}

TEST(StringHeap, TailOfFullBlockGoesToItsClassList) {
  TStringHeap heap;
  Bytes last = nullptr;
  for (int i = 0; i < 8; ++i) last = New(heap, 2000);  // 332 bytes left
  Bytes next = New(heap, 2000);                        // starts a new block
  EXPECT_NE(next, last + 2006);
  Bytes tail = last + 2000 + TStringHeap::HeaderSize;
  EXPECT_EQ(New(heap, 313), tail);  // class 40: (332 - 6) div 8
  EXPECT_EQ(TStringHeap::Capacity(tail), 320);
  std::memset(tail, 0x77, 320);
  heap.DisposeBuf(tail);
  EXPECT_EQ(New(heap, 320), tail);
}

TEST(StringHeap, BlockSizeSettings) {
  EXPECT_THROW(TStringHeap::SetBlockSize(16384, 2005), EAssertionFailed);
  EXPECT_THROW(TStringHeap::SetBlockSize(4000, 4001), EAssertionFailed);
  EXPECT_EQ(TStringHeap::DataSize, 16380);

  struct Restore {
    ~Restore() { TStringHeap::SetBlockSize(16384, 16380); }
  } restore;
  TStringHeap::SetBlockSize(2010, 2006);
  TStringHeap heap;
  TStringHeap::SetBlockSize(16384, 16380);  // a live heap keeps its own size
  Bytes a = New(heap, 2000);                 // fills the small block exactly
  Bytes b = New(heap, 8);
  EXPECT_EQ(TStringHeap::Capacity(a), 2000);
  EXPECT_NE(b, a + 2006);
  std::memset(a, 1, 2000);
  std::memset(b, 2, 8);
  // 1992 bytes left: too few for 1998, so the tail (class 248) goes to its
  // list; in the third block the remainder of 8 joins the new buffer.
  Bytes c = New(heap, 1992);
  EXPECT_EQ(TStringHeap::Capacity(c), 2000);
  EXPECT_EQ(New(heap, 1984), b + 8 + TStringHeap::HeaderSize);
  Bytes d = New(heap, 8);
  EXPECT_NE(d, c + 2006);
}

TEST(StringHeap, AllocStrings) {
  TStringHeap heap;
  const struct {
    const char* text;
    bool trim;
    Integer len;
    std::string expected;
  } cases[] = {
      {"abc", false, -1, "abc"},   {"abc  ", true, -1, "abc"},    {"abc  ", false, -1, "abc  "},
      {"   ", true, -1, ""},       {"", false, -1, ""},           {"abcdef", false, 2, "ab"},
      {"ab  cd", true, 4, "ab"},   {"abc", false, 0, ""},         {"abc\t", true, -1, "abc\t"},
      {"a b", true, -1, "a b"},    {"x\0y", false, 3, std::string("x\0y", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.trim ? " trim " : " ") + std::to_string(c.len));
    char* s = heap.AllocStr(c.text, c.trim, c.len);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::string(s, c.expected.size()), c.expected);
    EXPECT_EQ(s[c.expected.size()], 0);
    EXPECT_GE(TStringHeap::Capacity(s), static_cast<Integer>(c.expected.size()) + 1);

    std::u16string wideText(c.text, c.text + std::max<Integer>(c.len, static_cast<Integer>(std::strlen(c.text))));
    std::u16string wideExpected(c.expected.begin(), c.expected.end());
    char16_t* w = heap.AllocWideStr(wideText.c_str(), c.trim, c.len);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::u16string(w, wideExpected.size()), wideExpected);
    EXPECT_EQ(w[wideExpected.size()], 0);
    EXPECT_EQ(TStringHeap::Capacity(w), (static_cast<Integer>(wideExpected.size()) * 2 + 2 + 7) / 8 * 8);
  }
  EXPECT_EQ(heap.AllocStr(nullptr), nullptr);
  EXPECT_EQ(heap.AllocWideStr(nullptr), nullptr);

  // Strings longer than a small buffer go to large buffers.
  std::string big(3000, 'q');
  char* s = heap.AllocStr(big.c_str());
  EXPECT_EQ(std::string(s), big);
  EXPECT_TRUE(heap.SysGetMem());
  heap.DisposeBuf(s);
}

TEST(StringHeap, ReAllocStr) {
  TStringHeap heap;
  char* s = heap.AllocStr("name   ");
  char* t = heap.ReAllocStr(s, true);
  EXPECT_STREQ(t, "name");
  EXPECT_NE(t, s);
  EXPECT_EQ(heap.NewBuf(8), s);  // the original was released

  // A shared original survives for its other owner.
  char* u = heap.AllocStr("kept ");
  heap.AddRef(u);
  char* v = heap.ReAllocStr(u, true);
  EXPECT_STREQ(u, "kept ");
  EXPECT_STREQ(v, "kept");
  heap.DisposeBuf(u);

  EXPECT_EQ(heap.ReAllocStr(nullptr, true), nullptr);
}

TEST(StringHeap, ThreadSafety) {
  TStringHeap heap;
  EXPECT_FALSE(heap.ThreadSafety());
  heap.SetThreadSafety(true);
  heap.SetThreadSafety(true);  // already on: nothing happens
  EXPECT_TRUE(heap.ThreadSafety());

  auto work = [&heap](int seed) {
    std::mt19937 rng(static_cast<unsigned>(seed));
    std::vector<std::pair<Bytes, Integer>> mine;
    for (int i = 0; i < 5000; ++i) {
      if (mine.size() < 20 && rng() % 3 != 0) {
        Integer size = static_cast<Integer>(rng() % 300 + 1);
        Bytes p = New(heap, size);
        std::memset(p, seed, static_cast<size_t>(size));
        mine.emplace_back(p, size);
      } else if (!mine.empty()) {
        size_t k = rng() % mine.size();
        auto [p, size] = mine[k];
        for (Integer j = 0; j < size; ++j)
          if (p[j] != static_cast<Byte>(seed)) throw std::runtime_error("buffer shared between threads");
        heap.DisposeBuf(p);
        mine.erase(mine.begin() + static_cast<std::ptrdiff_t>(k));
      }
    }
    for (auto [p, size] : mine) heap.DisposeBuf(p);
  };
  std::vector<std::thread> threads;
  std::vector<std::string> errors(4);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      try {
        work(t + 1);
      } catch (const std::exception& e) {
        errors[static_cast<size_t>(t)] = e.what();
      }
    });
  for (auto& th : threads) th.join();
  for (const auto& e : errors) EXPECT_EQ(e, "");

  heap.SetThreadSafety(false);
  EXPECT_FALSE(heap.ThreadSafety());
  heap.Clear();
  EXPECT_TRUE(heap.Empty());
}

// Random allocations, extra owners and releases, checked against a model of
// the live buffers: every live buffer keeps its own contents, so no two
// overlap and none is handed out while still owned.
TEST(StringHeap, RandomSequenceAgainstModel) {
  struct Live {
    Bytes p;
    Integer size;
    Integer owners;
    Integer id;
  };
  auto pattern = [](Integer id, Integer k) { return static_cast<Byte>(id * 131 + k * 7); };
  auto check = [&](const Live& b) {
    for (Integer k = 0; k < b.size; ++k)
      if (b.p[k] != pattern(b.id, k)) return false;
    return true;
  };

  TStringHeap heap;
  std::mt19937 rng(20240611);
  std::vector<Live> live;
  Integer nextId = 0;
  for (int step = 0; step < 100000; ++step) {
    unsigned r = rng() % 1000;
    if (live.empty() || r < 450) {
      unsigned kind = rng() % 100;
      Integer size = kind < 70   ? static_cast<Integer>(rng() % 64 + 1)
                     : kind < 97 ? static_cast<Integer>(rng() % 2000 + 1)
                                 : static_cast<Integer>(rng() % 4000 + 2001);
      Bytes p = New(heap, size);
      ASSERT_NE(p, nullptr);
      const Integer capacity = TStringHeap::Capacity(p);
      ASSERT_GE(capacity, size);
      ASSERT_EQ(capacity % 8, 0);
      if (size <= TStringHeap::SmallSize) {
        ASSERT_LE(capacity, TStringHeap::SmallSize);
      }
      ASSERT_EQ(reinterpret_cast<NativeUInt>(p) % 2, 0u);
      Live b{p, capacity, 1, nextId++};
      for (Integer k = 0; k < b.size; ++k) p[k] = pattern(b.id, k);
      live.push_back(b);
    } else if (r < 600) {
      Live& b = live[rng() % live.size()];
      heap.AddRef(b.p);
      ++b.owners;
    } else if (r < 998) {
      size_t k = rng() % live.size();
      ASSERT_TRUE(check(live[k])) << "step " << step;
      heap.DisposeBuf(live[k].p);
      if (--live[k].owners == 0) live.erase(live.begin() + static_cast<std::ptrdiff_t>(k));
    } else {
      // Clear drops the small buffers; large ones live on with their owners.
      heap.Clear();
      std::erase_if(live, [](const Live& b) { return b.size <= TStringHeap::SmallSize; });
      ASSERT_FALSE(heap.SysGetMem());
    }
    if (step % 1000 == 0) {
      for (const Live& b : live) ASSERT_TRUE(check(b)) << "step " << step;
    }
  }
  for (const Live& b : live) {
    ASSERT_TRUE(check(b));
    ASSERT_EQ(TStringHeap::RefCount(b.p), b.owners);
    for (Integer i = 0; i < b.owners; ++i) heap.DisposeBuf(b.p);
  }
}

}  // namespace
